#pragma once

#include <QWidget>
#include <functional>

#include "Bitmap.h"

namespace tracella {

// Picture control: shows its own bitmap one pixel per unit at its top-left corner, painting only
// the part that is exposed. Sizes and positions are real numbers; a negative size counts as 0.
class TImage : public QWidget {
 public:
  explicit TImage(QWidget* parent = nullptr);

  TBitmap Bitmap;
  void BitmapChanged() { update(); }  // call after writing Bitmap

  double Width() const { return width_; }
  double Height() const { return height_; }
  double X() const { return x_; }
  double Y() const { return y_; }
  void SetWidth(double width);
  void SetHeight(double height);
  void SetX(double x);
  void SetY(double y);

  std::function<void(int wheelDelta)> OnMouseWheel;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void ApplyGeometry();
  double width_ = 0, height_ = 0, x_ = 0, y_ = 0;
};

}  // namespace tracella
