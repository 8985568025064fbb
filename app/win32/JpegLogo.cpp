#include "app/win32/JpegLogo.h"

#include <cstddef>

#include "app/JpegPixels.h"

namespace quorin::win32 {

Pixels DecodeJpeg(std::span<const std::uint8_t> jpeg) {
  const RgbPixels rgb = DecodeJpegRgb(jpeg);
  Pixels pixels;
  pixels.Width = rgb.Width;
  pixels.Height = rgb.Height;
  pixels.Bgrx.resize(static_cast<std::size_t>(rgb.Width) * static_cast<std::size_t>(rgb.Height));
  for (std::size_t i = 0; i < pixels.Bgrx.size(); ++i) {
    const std::uint8_t* p = &rgb.Rgb[i * 3];
    pixels.Bgrx[i] = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | std::uint32_t{p[2]};
  }
  return pixels;
}

}  // namespace quorin::win32
