#pragma once

#include <QWidget>
#include <functional>

#include "Bitmap.h"
#include "SketchImage.h"

class QPainter;
class QRegion;

namespace tracella {

// Picture control: shows a line drawing one pixel per unit at its top-left corner. Only the part
// that is exposed is drawn, when it is painted, so the cost of a change follows the screen, not
// the picture. Sizes and positions are real numbers; a negative size counts as 0.
class TImage : public QWidget {
 public:
  explicit TImage(QWidget* parent = nullptr);

  const TSketchImage* Sketch = nullptr;  // nothing is shown without one
  void SketchChanged();                  // call after the drawing changed

  // The pixels painted for `area` of the control, cut to the drawing; empty outside it.
  void DrawPart(const QRect& area, TBitmap& pixels) const;

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
  void UpdateOpaque();
  bool DrawIntoWindow(QPainter& painter, const QRegion& area) const;
  double width_ = 0, height_ = 0, x_ = 0, y_ = 0;
  TBitmap painted_;  // kept from one paint to the next, so a paint takes no fresh memory
};

}  // namespace tracella
