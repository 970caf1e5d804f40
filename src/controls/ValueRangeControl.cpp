#include "ValueRangeControl.h"

#include <QHoverEvent>
#include <algorithm>
#include <cmath>

#include "SliderMath.h"

namespace tracella {

ValueRangeControl::ValueRangeControl(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_Hover); }

double ValueRangeControl::Min() const { return min_; }
double ValueRangeControl::Max() const { return max_; }

void ValueRangeControl::SetMin(double min) {
  min_ = min;
  max_ = std::max(max_, min_);
  FitToRange();
}

void ValueRangeControl::SetMax(double max) {
  max_ = max;
  min_ = std::min(min_, max_);
  FitToRange();
}

void ValueRangeControl::FitToRange() {
  const double before = value_;
  value_ = Clamped(value_);
  update();
  RangeChanged(value_ != before);
}

void ValueRangeControl::RangeChanged(bool) {}

double ValueRangeControl::Stored() const { return value_; }

bool ValueRangeControl::Store(double wanted) {
  const double clamped = Clamped(wanted);
  if (clamped == value_) return false;
  value_ = clamped;
  update();
  return true;
}

double ValueRangeControl::Clamped(double wanted) const {
  if (std::isnan(wanted)) return value_;
  return std::clamp(wanted, min_, std::max(min_, max_));
}

double ValueRangeControl::ValueAt(double relative) const { return min_ + (max_ - min_) * relative; }

int ValueRangeControl::PaintPosition() const {
  if (!(max_ > min_)) return 0;
  return static_cast<int>(std::lround((value_ - min_) / (max_ - min_) * kPaintSteps));
}

QStyle::SubControl ValueRangeControl::Hovered() const { return hovered_; }

// Styles light up the part under the pointer: follow it on hover events (none once the pointer
// has left) and repaint when it changed.
bool ValueRangeControl::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::HoverEnter || type == QEvent::HoverMove || type == QEvent::HoverLeave) {
    const QStyle::SubControl now = type == QEvent::HoverLeave
                                       ? QStyle::SC_None
                                       : HitTest(static_cast<const QHoverEvent*>(event)->position().toPoint());
    if (now != hovered_) {
      hovered_ = now;
      update();
    }
  }
  return QWidget::event(event);
}

}  // namespace tracella
