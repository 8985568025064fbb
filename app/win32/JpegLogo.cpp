#include "app/win32/JpegLogo.h"

// jpeglib.h uses FILE and size_t without including their headers.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <stdexcept>
#include <string>

namespace quorin::win32 {
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

extern "C" void IgnoreMessage(j_common_ptr, int) {}

// Between setjmp and a possible longjmp only libjpeg's state, `pixels` and `row` (both owned by
// the caller) are touched, so the jump skips no destructor. Returns the error text, empty on
// success.
std::string DecodeInto(std::span<const std::uint8_t> jpeg, Pixels& pixels,
                       std::vector<JSAMPLE>& row) {
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
  if (cinfo.image_width > static_cast<JDIMENSION>(kMaxLogoSide) ||
      cinfo.image_height > static_cast<JDIMENSION>(kMaxLogoSide)) {
    jpeg_destroy_decompress(&cinfo);
    return "JPEG picture larger than " + std::to_string(kMaxLogoSide) + " pixels";
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  pixels.Width = static_cast<int>(cinfo.output_width);
  pixels.Height = static_cast<int>(cinfo.output_height);
  pixels.Bgrx.assign(static_cast<std::size_t>(pixels.Width) * pixels.Height, 0);
  row.assign(static_cast<std::size_t>(pixels.Width) * 3, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {row.data()};
    const std::size_t y = cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, rows, 1);
    for (int x = 0; x < pixels.Width; ++x) {
      const JSAMPLE* rgb = &row[static_cast<std::size_t>(x) * 3];
      pixels.Bgrx[y * pixels.Width + x] =
          (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | std::uint32_t{rgb[2]};
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return {};
}

}  // namespace

Pixels DecodeJpeg(std::span<const std::uint8_t> jpeg) {
  Pixels pixels;
  std::vector<JSAMPLE> row;
  const std::string error = DecodeInto(jpeg, pixels, row);
  if (!error.empty()) throw std::runtime_error("cannot decode the logo: " + error);
  return pixels;
}

}  // namespace quorin::win32
