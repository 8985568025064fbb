#pragma once
// JPEG decoding with libjpeg, for the logo embedded in the program.
#include <QImage>
#include <cstdint>
#include <span>
#include <stdexcept>

namespace quorin {

// Pictures wider or taller than this are refused before any pixel memory is taken.
inline constexpr int kMaxJpegSide = 8192;

// Decodes a complete JPEG (baseline or progressive, grey or colour) into an RGB888 image.
// Raises std::runtime_error with libjpeg's message when the data is not a JPEG, is cut short or
// is larger than kMaxJpegSide on a side. Pure; any thread (no shared state).
QImage DecodeJpeg(std::span<const std::uint8_t> jpeg);

}  // namespace quorin
