#pragma once
// The logo: a JPEG decoded with libjpeg into 32-bit pixels a DIB can show.
#include <cstdint>
#include <span>
#include <vector>

namespace quorin::win32 {

// Pictures wider or taller than this are refused before any pixel memory is taken.
inline constexpr int kMaxLogoSide = 8192;

struct Pixels {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Bgrx;  // top-down rows, 0x00RRGGBB per pixel
};

// Decodes a complete JPEG (grey or colour). Raises std::runtime_error with libjpeg's message when
// the data is not a JPEG, is cut short or is larger than kMaxLogoSide. Any thread.
Pixels DecodeJpeg(std::span<const std::uint8_t> jpeg);

}  // namespace quorin::win32
