#include "app/qt/JpegImage.h"

#include <algorithm>
#include <cstddef>

namespace quorin {

QImage DecodeJpeg(std::span<const std::uint8_t> jpeg) {
  const RgbPixels pixels = DecodeJpegRgb(jpeg);
  QImage image(pixels.Width, pixels.Height, QImage::Format_RGB888);
  // QImage pads its scan lines to 4 bytes; the decoder's rows are packed.
  const std::size_t stride = static_cast<std::size_t>(pixels.Width) * 3;
  for (int y = 0; y < pixels.Height; ++y) {
    const std::uint8_t* src = pixels.Rgb.data() + static_cast<std::size_t>(y) * stride;
    std::copy(src, src + stride, image.scanLine(y));
  }
  return image;
}

}  // namespace quorin
