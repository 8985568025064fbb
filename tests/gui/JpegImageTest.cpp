// JPEG decoding with libjpeg: the embedded logo, pictures made here, and broken data.
#include <gtest/gtest.h>

// jpeglib.h uses FILE and size_t without including their headers.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/qt/Assets.h"
#include "app/qt/JpegImage.h"

namespace quorin {
namespace {

// Compresses a picture with libjpeg in memory. `components` 1 (grey) or 3 (RGB).
std::vector<std::uint8_t> Compress(int width, int height, int components,
                                   const std::vector<std::uint8_t>& pixels, bool progressive) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t stride = static_cast<std::size_t>(width) * components;
  while (cinfo.next_scanline < cinfo.image_height) {
    auto* row = const_cast<JSAMPLE*>(pixels.data() + stride * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

TEST(JpegImage, DecodesTheEmbeddedLogo) {
  const QImage logo = DecodeJpeg(assets::LogoJpeg());
  ASSERT_FALSE(logo.isNull());
  EXPECT_EQ(logo.size(), QSize(338, 50));
  // The word mark is white on a dark blue band.
  const QColor corner = logo.pixelColor(330, 2);
  EXPECT_LT(corner.red(), 80);
  EXPECT_GT(corner.blue(), 100);
}

struct PictureCase {
  int components;
  bool progressive;
};

class JpegRoundTrip : public ::testing::TestWithParam<PictureCase> {};

TEST_P(JpegRoundTrip, DecodesWhatLibjpegEncoded) {
  const int width = 40;
  const int height = 24;
  const int components = GetParam().components;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * components);
  // Left half dark, right half bright: survives lossy compression.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < components; ++c) {
        pixels[(static_cast<std::size_t>(y) * width + x) * components + c] =
            x < width / 2 ? 20 : static_cast<std::uint8_t>(c == 0 ? 230 : 200);
      }
    }
  }
  const auto jpeg = Compress(width, height, components, pixels, GetParam().progressive);
  const QImage image = DecodeJpeg(jpeg);
  ASSERT_EQ(image.size(), QSize(width, height));
  EXPECT_EQ(image.format(), QImage::Format_RGB888);
  EXPECT_NEAR(image.pixelColor(5, 12).red(), 20, 8);
  EXPECT_NEAR(image.pixelColor(35, 12).red(), 230, 8);
  EXPECT_NEAR(image.pixelColor(35, 12).green(), components == 1 ? 230 : 200, 8);
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegRoundTrip,
                         ::testing::Values(PictureCase{3, false}, PictureCase{3, true},
                                           PictureCase{1, false}));

TEST(JpegImage, RefusesWhatIsNotAJpeg) {
  const std::vector<std::uint8_t> empty;
  EXPECT_THROW(DecodeJpeg(empty), std::runtime_error);
  const std::vector<std::uint8_t> text{'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'};
  EXPECT_THROW(DecodeJpeg(text), std::runtime_error);
  const auto logo = assets::LogoJpeg();
  const std::vector<std::uint8_t> headerOnly(logo.begin(), logo.begin() + 20);
  EXPECT_THROW(DecodeJpeg(headerOnly), std::runtime_error);
}

TEST(JpegImage, RefusesPicturesTooLargeBeforeTakingTheirMemory) {
  // A valid 16 x 16 picture whose frame header then claims 60000 x 60000.
  std::vector<std::uint8_t> pixels(16 * 16 * 3, 128);
  auto jpeg = Compress(16, 16, 3, pixels, false);
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {  // start of frame: height, width at +5, +7
      jpeg[i + 5] = 0xEA, jpeg[i + 6] = 0x60, jpeg[i + 7] = 0xEA, jpeg[i + 8] = 0x60;
      break;
    }
  }
  try {
    DecodeJpeg(jpeg);
    FAIL() << "a 60000 x 60000 picture was accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("larger than"), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace quorin
