#include "TTrackBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QStylePainter>

#include "Guard.h"
#include "SliderMath.h"

namespace tracella {

TTrackBar::TTrackBar(QWidget* parent) : ValueRangeControl(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

float TTrackBar::Value() const { return static_cast<float>(Stored()); }

void TTrackBar::SetValue(float value) {
  if (Store(value) && OnChange) OnChange();
}

QSize TTrackBar::sizeHint() const { return {100, 19}; }

QStyleOptionSlider TTrackBar::StyleOption() const {
  QStyleOptionSlider option;
  option.initFrom(this);
  option.orientation = Qt::Horizontal;
  option.state |= QStyle::State_Horizontal;
  option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
  option.minimum = 0;
  option.maximum = kPaintSteps;
  option.sliderPosition = option.sliderValue = PaintPosition();
  option.tickPosition = QSlider::NoTicks;
  option.activeSubControls = grabOffset_ ? QStyle::SC_SliderHandle : Hovered();
  if (grabOffset_) option.state |= QStyle::State_Sunken;
  return option;
}

void TTrackBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  painter.drawComplexControl(QStyle::CC_Slider, StyleOption());
}

void TTrackBar::SetValueFromThumbAt(int thumbLeft) {
  const QStyleOptionSlider option = StyleOption();
  const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
  const QRect thumb = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  const double relative = RelativeThumbPosition(thumbLeft, groove.x(), groove.width(), thumb.width());
  SetValue(static_cast<float>(ValueAt(relative)));
}

// A press on the thumb grabs it where it was hit; a press beside it puts the thumb's middle
// under the pointer and grabs it there, so the drag can go on from the click.
void TTrackBar::mousePressEvent(QMouseEvent* event) {
  Guarded([&] {
    if (event->button() != Qt::LeftButton) return event->ignore();
    const QStyleOptionSlider option = StyleOption();
    const QRect thumb = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int x = event->position().toPoint().x();
    const bool onThumb = thumb.contains(event->position().toPoint());
    grabOffset_ = onThumb ? x - thumb.x() : thumb.width() / 2;
    update();
    if (!onThumb) SetValueFromThumbAt(x - *grabOffset_);
  });
}

void TTrackBar::mouseMoveEvent(QMouseEvent* event) {
  Guarded([&] {
    if (grabOffset_ && event->buttons() & Qt::LeftButton)
      SetValueFromThumbAt(event->position().toPoint().x() - *grabOffset_);
  });
}

void TTrackBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !grabOffset_) return;
  grabOffset_.reset();
  update();
}

void TTrackBar::keyPressEvent(QKeyEvent* event) {
  Guarded([&] {
    switch (event->key()) {
      case Qt::Key_Left:
      case Qt::Key_Up:
        return SetValue(static_cast<float>(Stored() - 1));
      case Qt::Key_Right:
      case Qt::Key_Down:
        return SetValue(static_cast<float>(Stored() + 1));
      case Qt::Key_Home:
        return SetValue(static_cast<float>(Min()));
      case Qt::Key_End:
        return SetValue(static_cast<float>(Max()));
      default:
        return event->ignore();
    }
  });
}

QStyle::SubControl TTrackBar::HitTest(QPoint position) const {
  const QStyleOptionSlider option = StyleOption();
  return style()->hitTestComplexControl(QStyle::CC_Slider, &option, position, this);
}

}  // namespace tracella
