#pragma once
// The embedded logo as a QImage: app/JpegPixels decodes, this only converts.
#include <QImage>
#include <cstdint>
#include <span>

#include "app/JpegPixels.h"

namespace quorin {

// Decodes a complete JPEG with DecodeJpegRgb into an RGB888 image. Raises std::runtime_error as
// DecodeJpegRgb does. Any thread (QImage is not a widget).
QImage DecodeJpeg(std::span<const std::uint8_t> jpeg);

}  // namespace quorin
