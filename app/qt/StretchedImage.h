#pragma once
// A picture stretched to the widget's box. It is drawn in full colour also when the widget is
// disabled (the logo sits in the disabled pack-information group).
#include <QImage>
#include <QWidget>

namespace quorin {

class StretchedImage final : public QWidget {
 public:
  // GUI thread. Keeps a copy of `image`.
  explicit StretchedImage(QImage image, QWidget* parent = nullptr);
  const QImage& Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

}  // namespace quorin
