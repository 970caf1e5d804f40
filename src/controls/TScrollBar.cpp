#include "TScrollBar.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QRegion>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <QTimerEvent>
#include <cmath>

#include "Guard.h"
#include "RoundHalfEven.h"
#include "SliderMath.h"

namespace tracella {

namespace {
constexpr int kThickness = 18;
// Holding an arrow or the track repeats its step, as native scroll bars do.
constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 50;
// A click on the track beside the thumb moves this many arrow steps.
constexpr double kArrowStepsPerPage = 10;
}  // namespace

TScrollBar::TScrollBar(Qt::Orientation orientation, QWidget* parent)
    : ValueRangeControl(parent), orientation_(orientation) {
  setFocusPolicy(Qt::NoFocus);
  setSizePolicy(orientation == Qt::Horizontal ? QSizePolicy::Expanding : QSizePolicy::Fixed,
                orientation == Qt::Horizontal ? QSizePolicy::Fixed : QSizePolicy::Expanding);
}

double TScrollBar::Value() const { return Stored(); }

void TScrollBar::SetValue(double value) {
  if (Store(value) && OnChange) OnChange();
}

void TScrollBar::RangeChanged(bool valueMoved) {
  if (valueMoved && OnChange) OnChange();
}

double TScrollBar::SmallChange() const { return smallChange_; }
void TScrollBar::SetSmallChange(double smallChange) { smallChange_ = smallChange; }

double TScrollBar::ArrowStep() const {
  if (smallChange_ != 0) return smallChange_;
  const double range = Max() - Min();
  if (!(range > 0)) return 0;
  return std::pow(10.0, RoundHalfEven(std::log10(range) - 1.5));
}

QSize TScrollBar::sizeHint() const {
  return orientation_ == Qt::Horizontal ? QSize(100, kThickness) : QSize(kThickness, 100);
}

QStyleOptionSlider TScrollBar::StyleOption() const {
  QStyleOptionSlider option;
  option.initFrom(this);
  option.orientation = orientation_;
  if (orientation_ == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
  option.subControls = QStyle::SC_All;
  option.minimum = 0;
  option.maximum = kPaintSteps;
  option.pageStep = 0;
  option.singleStep = 1;
  option.sliderPosition = option.sliderValue = PaintPosition();
  option.activeSubControls = pressed_ != QStyle::SC_None ? pressed_ : Hovered();
  if (pressed_ != QStyle::SC_None) option.state |= QStyle::State_Sunken;
  return option;
}

QStyle::SubControl TScrollBar::HitTest(QPoint position) const {
  const QStyleOptionSlider option = StyleOption();
  return style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option, position, this);
}

int TScrollBar::Along(QPoint point) const { return orientation_ == Qt::Horizontal ? point.x() : point.y(); }

// The style draws a long bar a pixel row at a time, and the raster engine hands those rows out to
// its thread pool, which costs far more than the drawing. So the pixels drawn are read back and put
// back as they are while the bar looks the same at the same place; drawn anew, even at another
// place, the style's rounding could differ.
void TScrollBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  const QStyleOptionSlider option = StyleOption();
  QPaintDevice* device = painter.paintEngine()->paintDevice();
  // Pixels are copied one for one only where the widget's units are the window image's pixels.
  const bool plain = painter.deviceTransform().type() <= QTransform::TxTranslate;
  auto* window = plain && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
  const QRect onScreen = painter.deviceTransform().mapRect(QRectF(rect())).toAlignedRect();
  const Look look{onScreen,
                  window ? window->format() : QImage::Format_Invalid,
                  option.state,
                  option.direction,
                  option.activeSubControls,
                  option.sliderPosition,
                  palette().cacheKey(),
                  style()};
  if (window && look == shownLook_) {
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, shown_);
    return;
  }
  painter.drawComplexControl(QStyle::CC_ScrollBar, option);
  // Kept only when the whole bar was just drawn, nothing of it clipped away.
  const QRegion clip = painter.paintEngine()->systemClip();
  const bool whole =
      window && window->rect().contains(onScreen) && (clip.isEmpty() || (QRegion(onScreen) - clip).isEmpty());
  shown_ = whole ? window->copy(onScreen) : QImage();
  shownLook_ = whole ? look : Look{};
}

void TScrollBar::SetValueFromThumbAt(int thumbStart) {
  const QStyleOptionSlider option = StyleOption();
  const QRect groove = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, this);
  const QRect thumb = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
  const bool horizontal = orientation_ == Qt::Horizontal;
  const double relative =
      RelativeThumbPosition(thumbStart, horizontal ? groove.x() : groove.y(),
                            horizontal ? groove.width() : groove.height(), horizontal ? thumb.width() : thumb.height());
  SetValue(ValueAt(relative));
}

// One step of the held control: an arrow moves by ArrowStep, the track by ten of them towards
// the pointer, and stops once the thumb has reached the pointer.
void TScrollBar::Repeat() {
  const QStyle::SubControl under = HitTest(pointer_);
  if (under != pressed_) return;
  const double step = ArrowStep();
  switch (pressed_) {
    case QStyle::SC_ScrollBarAddLine:
      return SetValue(Stored() + step);
    case QStyle::SC_ScrollBarSubLine:
      return SetValue(Stored() - step);
    case QStyle::SC_ScrollBarAddPage:
      return SetValue(Stored() + step * kArrowStepsPerPage);
    case QStyle::SC_ScrollBarSubPage:
      return SetValue(Stored() - step * kArrowStepsPerPage);
    default:
      return;
  }
}

void TScrollBar::mousePressEvent(QMouseEvent* event) {
  Guarded([&] {
    if (event->button() != Qt::LeftButton) return event->ignore();
    pointer_ = event->position().toPoint();
    pressed_ = HitTest(pointer_);
    update();
    if (pressed_ == QStyle::SC_ScrollBarSlider) {
      const QStyleOptionSlider option = StyleOption();
      const QRect thumb = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
      grabOffset_ = Along(pointer_) - Along(thumb.topLeft());
      return;
    }
    Repeat();
    repeat_.start(kFirstRepeatMs, this);
  });
}

void TScrollBar::mouseMoveEvent(QMouseEvent* event) {
  Guarded([&] {
    pointer_ = event->position().toPoint();
    if (grabOffset_ && event->buttons() & Qt::LeftButton) SetValueFromThumbAt(Along(pointer_) - *grabOffset_);
  });
}

void TScrollBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  repeat_.stop();
  grabOffset_.reset();
  pressed_ = QStyle::SC_None;
  update();
}

void TScrollBar::timerEvent(QTimerEvent* event) {
  if (event->timerId() != repeat_.timerId()) return QWidget::timerEvent(event);
  // A step whose handler failed ends the repeat: the report's message box would otherwise be
  // followed by another one every few milliseconds while the button's release never arrives.
  repeat_.stop();
  Guarded([&] {
    Repeat();
    repeat_.start(kRepeatMs, this);
  });
}

}  // namespace tracella
