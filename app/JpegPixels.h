#pragma once
// JPEG decoding with libjpeg, without any toolkit: the logo embedded in the program. The Qt and the
// Win32 window turn the result into their own pictures.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace quorin {

// Pictures wider or taller than this are refused before any pixel memory is taken.
inline constexpr int kMaxJpegSide = 8192;

struct RgbPixels {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Rgb;  // top-down rows of Width * 3 bytes, R G B per pixel
};

// Decodes a complete JPEG (baseline or progressive, grey or colour) into RGB bytes.
// Raises std::runtime_error with libjpeg's message when the data is empty, is not a JPEG, is cut
// short or is larger than kMaxJpegSide on a side. Pure; any thread (no shared state).
RgbPixels DecodeJpegRgb(std::span<const std::uint8_t> jpeg);

}  // namespace quorin
