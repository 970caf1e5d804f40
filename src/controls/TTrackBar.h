#pragma once

#include <QStyle>
#include <QWidget>
#include <functional>
#include <optional>

class QStyleOptionSlider;

namespace tracella {

// A horizontal track bar over a continuous double value: dragging is not rounded to steps.
// OnChange runs inside the setter whenever the stored value changes.
class TTrackBar : public QWidget {
  Q_OBJECT

 public:
  explicit TTrackBar(QWidget* parent = nullptr);

  float Value() const;
  void SetValue(float value);
  double Min() const;
  double Max() const;
  void SetMin(double min);
  void SetMax(double max);

  std::function<void()> OnChange;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QStyleOptionSlider StyleOption() const;
  void SetValueFromThumbAt(int thumbLeft);

  double value_ = 0;
  double min_ = 0;
  double max_ = 100;
  QStyle::SubControl hovered_ = QStyle::SC_None;
  std::optional<int> grabOffset_;  // while dragging: pointer x minus the thumb's left edge
};

}  // namespace tracella
