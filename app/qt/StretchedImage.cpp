#include "app/qt/StretchedImage.h"

#include <QPainter>
#include <utility>

namespace quorin {

StretchedImage::StretchedImage(QImage image, QWidget* parent)
    : QWidget(parent), image_(std::move(image)) {}

void StretchedImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), image_);
}

}  // namespace quorin
