#include "TImage.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "BitmapImage.h"
#include "Guard.h"

namespace tracella {

TImage::TImage(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent, false); }

void TImage::SketchChanged() {
  UpdateOpaque();
  update();
}

// An opaque drawing that covers the whole control hides what lies under it, so the window leaves
// that part unpainted.
void TImage::UpdateOpaque() {
  const bool covered = Sketch && Sketch->Width() >= width() && Sketch->Height() >= height();
  setAttribute(Qt::WA_OpaquePaintEvent, covered && AlphaOf(Sketch->Line()) == 0xFF);
}

void TImage::SetWidth(double width) {
  width_ = std::max(width, 0.0);
  ApplyGeometry();
}

void TImage::SetHeight(double height) {
  height_ = std::max(height, 0.0);
  ApplyGeometry();
}

void TImage::SetX(double x) {
  x_ = x;
  ApplyGeometry();
}

void TImage::SetY(double y) {
  y_ = y;
  ApplyGeometry();
}

void TImage::ApplyGeometry() {
  setGeometry(static_cast<int>(std::lround(x_)), static_cast<int>(std::lround(y_)),
              static_cast<int>(std::lround(width_)), static_cast<int>(std::lround(height_)));
  UpdateOpaque();
}

void TImage::DrawPart(const QRect& area, TBitmap& pixels) const {
  const QRect drawn = Sketch ? area & QRect(0, 0, Sketch->Width(), Sketch->Height()) : QRect();
  pixels.SetSize(drawn.width(), drawn.height());
  if (!pixels.IsEmpty()) Sketch->DrawPart(drawn.x(), drawn.y(), pixels);
}

void TImage::paintEvent(QPaintEvent* event) {
  const QRect exposed = event->rect() & (Sketch ? QRect(0, 0, Sketch->Width(), Sketch->Height()) : QRect());
  if (exposed.isEmpty()) return;
  DrawPart(exposed, painted_);
  // The line colour is stored unpremultiplied, so the bytes are read as plain ARGB; an opaque one
  // leaves nothing to blend, and the part is copied to the screen as it is.
  const bool opaque = AlphaOf(Sketch->Line()) == 0xFF;
  QPainter painter(this);
  painter.drawImage(exposed.topLeft(),
                    ImageOver(std::as_const(painted_), opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32));
}

void TImage::wheelEvent(QWheelEvent* event) {
  Guarded([&] {
    // Qt reports Alt + wheel on the horizontal axis, so only then does that axis count; a sideways
    // tilt or swipe otherwise turns nothing.
    const QPoint turn = event->angleDelta();
    const bool altered = event->modifiers().testFlag(Qt::AltModifier);
    const int delta = altered && turn.y() == 0 ? turn.x() : turn.y();
    if (OnMouseWheel) OnMouseWheel(delta);
  });
}

}  // namespace tracella
