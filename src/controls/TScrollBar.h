#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QStyle>
#include <optional>

#include "ValueRangeControl.h"

class QStyleOptionSlider;

namespace tracella {

// A scroll bar over a double value, with a thumb of fixed length (no page size). OnChange runs
// inside the setter whenever the value actually changes, also when a new range forces it.
class TScrollBar : public ValueRangeControl {
 public:
  explicit TScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

  double Value() const;
  void SetValue(double value);
  double SmallChange() const;
  void SetSmallChange(double smallChange);
  // What one click on an arrow moves: SmallChange, or when that is 0 a power of ten that suits
  // the range, 10^k with k = log10(Max - Min) - 1.5 rounded half to even.
  double ArrowStep() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  QStyle::SubControl HitTest(QPoint position) const override;
  void RangeChanged(bool valueMoved) override;

 private:
  QStyleOptionSlider StyleOption() const;
  int Along(QPoint point) const;
  void SetValueFromThumbAt(int thumbStart);
  void Repeat();

  Qt::Orientation orientation_;
  double smallChange_ = 0;
  QStyle::SubControl pressed_ = QStyle::SC_None;
  std::optional<int> grabOffset_;  // while dragging: pointer minus the thumb's leading edge
  QPoint pointer_;                 // last pointer position while an arrow or the track is held
  QBasicTimer repeat_;

  // What the bar's pixels on screen depend on; the pixels are kept while none of it changes.
  struct Look {
    QRect onScreen;  // in the pixels of the window's image
    QImage::Format format = QImage::Format_Invalid;
    QStyle::State state;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    QStyle::SubControls active;
    int position = 0;
    qint64 palette = 0;
    const QStyle* style = nullptr;
    bool operator==(const Look&) const = default;
  };
  Look shownLook_;
  QImage shown_;
};

}  // namespace tracella
