#pragma once

#include <QPixmap>
#include <QRectF>
#include <QSize>
#include <QWidget>

namespace tracella {

// A picture drawn in "Fit" mode: shrunk with its proportions kept when it is larger than the
// control, never enlarged, and centred.
class FitPicture : public QWidget {
 public:
  FitPicture(const QString& resource, QWidget* parent);

  const QPixmap& Picture() const { return picture_; }

  // Where a picture of the given size lands inside a control of the given size.
  static QRectF FitRect(QSizeF picture, QSizeF control);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
};

}  // namespace tracella
