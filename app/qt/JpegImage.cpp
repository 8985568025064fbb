#include "app/qt/JpegImage.h"

// jpeglib.h uses FILE and size_t without including their headers.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace quorin {
namespace {

// libjpeg reports a fatal error through error_exit, which must not return: it jumps back to the
// decoder with the message kept here.
struct JumpingErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void JumpOnError(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<JumpingErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, manager->message);
  std::longjmp(manager->jump, 1);
}

// A corrupt but decodable stream is accepted; warnings are not printed.
extern "C" void IgnoreMessage(j_common_ptr, int) {}

struct DecodeResult {
  bool ok = false;
  char message[JMSG_LENGTH_MAX] = {};
};

// Everything between setjmp and a possible longjmp lives in libjpeg's C frames or is trivially
// destructible here; `pixels` and `image` are owned by the caller, so the jump skips no destructor.
DecodeResult DecodeInto(std::span<const std::uint8_t> jpeg, std::vector<std::uint8_t>& pixels,
                        int& width, int& height) {
  DecodeResult result;
  jpeg_decompress_struct cinfo{};
  JumpingErrorManager errors{};
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpOnError;
  errors.base.emit_message = IgnoreMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(result.message, sizeof result.message, "%s", errors.message);
    return result;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width > static_cast<JDIMENSION>(kMaxJpegSide) ||
      cinfo.image_height > static_cast<JDIMENSION>(kMaxJpegSide)) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(result.message, sizeof result.message, "JPEG picture larger than %d pixels",
                  kMaxJpegSide);
    return result;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  width = static_cast<int>(cinfo.output_width);
  height = static_cast<int>(cinfo.output_height);
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  pixels.resize(stride * static_cast<std::size_t>(height));
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  result.ok = true;
  return result;
}

}  // namespace

QImage DecodeJpeg(std::span<const std::uint8_t> jpeg) {
  if (jpeg.empty()) throw std::runtime_error("Empty JPEG data");
  std::vector<std::uint8_t> pixels;
  int width = 0;
  int height = 0;
  const DecodeResult result = DecodeInto(jpeg, pixels, width, height);
  if (!result.ok) throw std::runtime_error(std::string("JPEG decoding failed: ") + result.message);
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = pixels.data() + static_cast<std::size_t>(y) * width * 3;
    std::copy(src, src + static_cast<std::size_t>(width) * 3, image.scanLine(y));
  }
  return image;
}

}  // namespace quorin
