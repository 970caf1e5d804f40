#pragma once

#include <optional>

#include "ValueRangeControl.h"

class QStyleOptionSlider;

namespace tracella {

// A horizontal track bar over a continuous double value: dragging is not rounded to steps.
// OnChange runs inside the setter whenever the stored value changes; a new range moves the
// value without raising it.
class TTrackBar : public ValueRangeControl {
 public:
  explicit TTrackBar(QWidget* parent = nullptr);

  float Value() const;
  void SetValue(float value);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  QStyle::SubControl HitTest(QPoint position) const override;

 private:
  QStyleOptionSlider StyleOption() const;
  void SetValueFromThumbAt(int thumbLeft);

  std::optional<int> grabOffset_;  // while dragging: pointer x minus the thumb's left edge
};

}  // namespace tracella
