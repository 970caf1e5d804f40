#pragma once

#include <QStyle>
#include <QWidget>
#include <functional>

namespace tracella {

// What the value controls share: a double value that always lies within Min..Max, the range
// ends that push each other along, and the part of the control that the style lights up under
// the pointer. When OnChange runs, and what a change of range raises, is each control's own.
class ValueRangeControl : public QWidget {
 public:
  double Min() const;
  double Max() const;
  // A new end past the other one takes the other one along; the value moves into the new range
  // without an event, and RangeChanged tells the control whether it moved.
  void SetMin(double min);
  void SetMax(double max);

  std::function<void()> OnChange;

 protected:
  explicit ValueRangeControl(QWidget* parent);

  double Stored() const;
  // Stores `wanted` clamped to the range (a NaN changes nothing); true, with a repaint, when the
  // stored value changed.
  bool Store(double wanted);
  double Clamped(double wanted) const;
  // The value at a relative position along the range, 0 at Min, 1 at Max.
  double ValueAt(double relative) const;
  // The value on the fine integer range that the style paints thumbs on.
  int PaintPosition() const;

  virtual void RangeChanged(bool valueMoved);
  virtual QStyle::SubControl HitTest(QPoint position) const = 0;
  QStyle::SubControl Hovered() const;

  bool event(QEvent* event) override;

 private:
  void FitToRange();

  double value_ = 0;
  double min_ = 0;
  double max_ = 100;
  QStyle::SubControl hovered_ = QStyle::SC_None;
};

}  // namespace tracella
