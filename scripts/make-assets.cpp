// Draws the desktop tool's pictures: the logo (a JPEG compressed with libjpeg), the two 24 x 24
// tool-bar images and the window icon (PNG). The results are committed in app/assets/; run this
// again only to change them:
//   cmake --build build/<dir> --target quorin-make-assets
//   QT_QPA_PLATFORM=offscreen build/<dir>/app/quorin-make-assets app/assets

// jpeglib.h uses FILE and size_t without including their headers.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

QFont BoldFont(int pixelSize) {
  QFont font;
  font.setFamilies({"DejaVu Sans", "WenQuanYi Micro Hei", "Noto Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(true);
  return font;
}

// The logo: a navy band with a lime stripe and the word mark, drawn at twice the box's size so
// it stays sharp when stretched down to 169 x 25.
QImage DrawLogo() {
  QImage image(338, 50, QImage::Format_RGB888);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(0, 0, 338, 0);
  band.setColorAt(0.0, QColor(0x0b, 0x1f, 0x4d));
  band.setColorAt(1.0, QColor(0x1c, 0x4f, 0x9c));
  p.fillRect(image.rect(), band);
  QPainterPath stripe;
  stripe.moveTo(0, 50);
  stripe.lineTo(40, 0);
  stripe.lineTo(58, 0);
  stripe.lineTo(18, 50);
  stripe.closeSubpath();
  p.fillPath(stripe, QColor(0x7c, 0xe0, 0x3a));
  p.setPen(Qt::white);
  p.setFont(BoldFont(30));
  p.drawText(QRect(70, 0, 268, 50), Qt::AlignVCenter | Qt::AlignLeft, "QUORIN");
  p.setPen(QColor(0x7c, 0xe0, 0x3a));
  p.setFont(BoldFont(16));
  p.drawText(QRect(70, 0, 258, 50), Qt::AlignVCenter | Qt::AlignRight, "DRIVE");
  return image;
}

// A transparent `size` x `size` picture, antialiased, with what `draw` paints on it.
QImage Transparent(int size, void (*draw)(QPainter&)) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  return image;
}

// A bold arrow in `color` from `tail` to `tip`, its barbs starting at `left` and `right`.
void DrawArrow(QPainter& p, const QColor& color, QPointF tail, QPointF tip, QPointF left,
               QPointF right) {
  p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(tail, tip);
  p.drawLine(left, tip);
  p.drawLine(right, tip);
}

// A folder with an arrow pointing out of it: read a pack.
void DrawReadPackImage(QPainter& p) {
  p.setPen(QPen(QColor(0x8a, 0x60, 0x10), 1));
  p.setBrush(QColor(0xf2, 0xc1, 0x4e));
  p.drawRoundedRect(QRectF(2.5, 8.5, 19, 13), 1.5, 1.5);
  p.drawRect(QRectF(2.5, 6.5, 8, 3));
  DrawArrow(p, QColor(0x1c, 0x4f, 0x9c), {12, 18}, {12, 3}, {8, 7}, {16, 7});
}

// A chip with an arrow going into it: program the controller.
void DrawProgramImage(QPainter& p) {
  p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.2));
  for (int i = 0; i < 3; ++i) {
    const double y = 12.5 + i * 3.5;
    p.drawLine(QPointF(3, y), QPointF(6, y));
    p.drawLine(QPointF(18, y), QPointF(21, y));
  }
  p.setBrush(QColor(0x2d, 0x2d, 0x2d));
  p.drawRoundedRect(QRectF(6, 10, 12, 12), 1.5, 1.5);
  DrawArrow(p, QColor(0x2e, 0xa0, 0x2e), {12, 1.5}, {12, 8.5}, {8.5, 5.5}, {15.5, 5.5});
}

// The window icon: a round motor housing with a lightning bolt.
void DrawWindowIcon(QPainter& p) {
  QLinearGradient housing(0, 0, 128, 128);
  housing.setColorAt(0.0, QColor(0x1c, 0x4f, 0x9c));
  housing.setColorAt(1.0, QColor(0x0b, 0x1f, 0x4d));
  p.setPen(QPen(QColor(0x08, 0x16, 0x38), 4));
  p.setBrush(housing);
  p.drawEllipse(QRectF(8, 8, 112, 112));
  p.setPen(QPen(QColor(0x7c, 0xe0, 0x3a), 6));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(22, 22, 84, 84));
  QPainterPath bolt;
  bolt.moveTo(72, 26);
  bolt.lineTo(44, 70);
  bolt.lineTo(62, 70);
  bolt.lineTo(54, 102);
  bolt.lineTo(86, 54);
  bolt.lineTo(67, 54);
  bolt.closeSubpath();
  p.setPen(Qt::NoPen);
  p.fillPath(bolt, QColor(0xff, 0xd3, 0x2a));
}

// Compresses an RGB888 image with libjpeg into `path`, at quality 90.
void WriteJpeg(const QImage& image, const std::string& path) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                             &std::fclose);
  if (!file) throw std::runtime_error("cannot create " + path);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file.get());
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    // libjpeg takes non-const rows; it does not write through them.
    auto* row = const_cast<JSAMPLE*>(image.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
}

void WritePng(const QImage& image, const QString& path) {
  if (!image.save(path, "PNG")) throw std::runtime_error("cannot write " + path.toStdString());
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: quorin-make-assets OUTPUT_DIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  try {
    WriteJpeg(DrawLogo(), (dir + "/logo.jpg").toStdString());
    WritePng(Transparent(24, DrawReadPackImage), dir + "/read-pack.png");
    WritePng(Transparent(24, DrawProgramImage), dir + "/program.png");
    WritePng(Transparent(128, DrawWindowIcon), dir + "/quorin-iap.png");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorin-make-assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
