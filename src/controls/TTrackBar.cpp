#include "TTrackBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <algorithm>

#include "Guard.h"
#include "SliderMath.h"
#include "TrackHoveredSubControl.h"

namespace tracella {

TTrackBar::TTrackBar(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_Hover);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

float TTrackBar::Value() const { return static_cast<float>(value_); }

void TTrackBar::SetValue(float value) {
  const double before = value_;
  if (value == before) return;
  value_ = ClampToRange(value, value_, min_, max_);
  if (value_ == before) return;
  update();
  if (OnChange) OnChange();
}

double TTrackBar::Min() const { return min_; }
double TTrackBar::Max() const { return max_; }

// Range changes configure the bar: the value moves into range without raising OnChange.
void TTrackBar::SetMin(double min) {
  min_ = min;
  max_ = std::max(max_, min_);
  value_ = ClampToRange(value_, value_, min_, max_);
  update();
}

void TTrackBar::SetMax(double max) {
  max_ = max;
  min_ = std::min(min_, max_);
  value_ = ClampToRange(value_, value_, min_, max_);
  update();
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
  option.sliderPosition = option.sliderValue = PaintPosition(value_, min_, max_);
  option.tickPosition = QSlider::NoTicks;
  option.activeSubControls = grabOffset_ ? QStyle::SC_SliderHandle : hovered_;
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
  SetValue(static_cast<float>(min_ + (max_ - min_) * relative));
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
        return SetValue(static_cast<float>(value_ - 1));
      case Qt::Key_Right:
      case Qt::Key_Down:
        return SetValue(static_cast<float>(value_ + 1));
      case Qt::Key_Home:
        return SetValue(static_cast<float>(min_));
      case Qt::Key_End:
        return SetValue(static_cast<float>(max_));
      default:
        return event->ignore();
    }
  });
}

bool TTrackBar::event(QEvent* event) {
  TrackHoveredSubControl(*event, hovered_, *this, [this](QPoint at) {
    const QStyleOptionSlider option = StyleOption();
    return style()->hitTestComplexControl(QStyle::CC_Slider, &option, at, this);
  });
  return QWidget::event(event);
}

}  // namespace tracella
