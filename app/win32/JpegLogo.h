#pragma once
// The logo as 32-bit pixels a DIB can show: app/JpegPixels decodes, this only converts.
#include <cstdint>
#include <span>
#include <vector>

namespace quorin::win32 {

struct Pixels {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Bgrx;  // top-down rows, 0x00RRGGBB per pixel
};

// Decodes a complete JPEG with DecodeJpegRgb. Raises std::runtime_error as DecodeJpegRgb does.
// Any thread.
Pixels DecodeJpeg(std::span<const std::uint8_t> jpeg);

}  // namespace quorin::win32
