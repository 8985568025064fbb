#include "app/JpegPixels.h"

// jpeglib.h uses FILE and size_t without including their headers.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <string>

namespace quorin {
namespace {

// libjpeg reports a fatal error through error_exit, which must not return: it jumps back to the
// decoder with the message kept here.
struct JumpingErrors {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void JumpOnError(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<JumpingErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

// A corrupt but decodable stream is accepted; warnings are not printed.
extern "C" void IgnoreMessage(j_common_ptr, int) {}

// Between setjmp and a possible longjmp only libjpeg's state and `pixels` (owned by the caller)
// are touched, so the jump skips no destructor. Returns the error text, empty on success.
std::string DecodeInto(std::span<const std::uint8_t> jpeg, RgbPixels& pixels) {
  jpeg_decompress_struct cinfo{};
  JumpingErrors errors{};
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpOnError;
  errors.base.emit_message = IgnoreMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return errors.message;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width > static_cast<JDIMENSION>(kMaxJpegSide) ||
      cinfo.image_height > static_cast<JDIMENSION>(kMaxJpegSide)) {
    jpeg_destroy_decompress(&cinfo);
    return "JPEG picture larger than " + std::to_string(kMaxJpegSide) + " pixels";
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  pixels.Width = static_cast<int>(cinfo.output_width);
  pixels.Height = static_cast<int>(cinfo.output_height);
  const std::size_t stride = static_cast<std::size_t>(pixels.Width) * 3;
  pixels.Rgb.resize(stride * static_cast<std::size_t>(pixels.Height));
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels.Rgb.data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return {};
}

}  // namespace

RgbPixels DecodeJpegRgb(std::span<const std::uint8_t> jpeg) {
  if (jpeg.empty()) throw std::runtime_error("Empty JPEG data");
  RgbPixels pixels;
  const std::string error = DecodeInto(jpeg, pixels);
  if (!error.empty()) throw std::runtime_error("JPEG decoding failed: " + error);
  return pixels;
}

}  // namespace quorin
