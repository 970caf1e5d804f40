#include "TImage.h"

#include <QImage>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstddef>
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
  const QRect drawing = Sketch ? QRect(0, 0, Sketch->Width(), Sketch->Height()) : QRect();
  const QRect exposed = event->rect() & drawing;
  if (exposed.isEmpty()) return;
  // The line colour is stored unpremultiplied, so the bytes are read as plain ARGB; an opaque one
  // leaves nothing to blend, and the part is copied to the screen as it is.
  const bool opaque = AlphaOf(Sketch->Line()) == 0xFF;
  QPainter painter(this);
  if (opaque && DrawIntoWindow(painter, event->region() & drawing)) return;
  DrawPart(exposed, painted_);
  painter.drawImage(exposed.topLeft(),
                    ImageOver(std::as_const(painted_), opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32));
}

// An opaque drawing is written straight into the window's image, where that is one whose pixels
// are this control's, one for one: no copy of the part in between. False where it is not.
bool TImage::DrawIntoWindow(QPainter& painter, const QRegion& area) const {
  QPaintDevice* device = painter.paintEngine()->paintDevice();
  const QTransform& toDevice = painter.deviceTransform();
  if (device->devType() != QInternal::Image || toDevice.type() > QTransform::TxTranslate) return false;
  auto& window = *static_cast<QImage*>(device);
  // The formats that hold an opaque pixel as the drawing does, 0xFFRRGGBB in one 32-bit word.
  const QImage::Format format = window.format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
      format != QImage::Format_ARGB32_Premultiplied)
    return false;
  const QPoint offset(static_cast<int>(std::lround(toDevice.dx())), static_cast<int>(std::lround(toDevice.dy())));
  if (offset.x() != toDevice.dx() || offset.y() != toDevice.dy() || !window.isDetached()) return false;
  QRegion onScreen = area.translated(offset) & window.rect();
  const QRegion clip = painter.paintEngine()->systemClip();
  if (!clip.isEmpty()) onScreen &= clip;
  const std::ptrdiff_t stride = window.bytesPerLine() / static_cast<qsizetype>(sizeof(TAlphaColor));
  auto* pixels = reinterpret_cast<TAlphaColor*>(window.bits());
  for (const QRect& part : onScreen)
    Sketch->DrawPart(part.x() - offset.x(), part.y() - offset.y(),
                     TPixelRows{pixels + part.y() * stride + part.x(), part.width(), part.height(), stride});
  return true;
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
