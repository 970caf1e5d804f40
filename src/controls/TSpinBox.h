#pragma once

#include <QBasicTimer>
#include <QString>

#include "ValueRangeControl.h"

class QLineEdit;
class QStyleOptionSpinBox;

namespace tracella {

// A spin box over a double value that shows it as a whole number. Setting the value raises
// OnChange inside the setter, and only when the shown number changes; a handler may set the
// value again, and the shown number then follows the latest value. A new range moves the value
// and rewrites the number without raising OnChange.
class TSpinBox : public ValueRangeControl {
 public:
  explicit TSpinBox(QWidget* parent = nullptr);

  float Value() const;
  void SetValue(float value);
  QString Text() const;

  QSize sizeHint() const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  QStyle::SubControl HitTest(QPoint position) const override;
  void RangeChanged(bool valueMoved) override;

 private:
  QStyleOptionSpinBox StyleOption() const;
  void PlaceEditor();
  bool HandleEditorEvent(const QEvent& event);
  void Step(int direction);
  void StepPressedButton();
  void ApplyTypedText();
  void ShowNumber();

  QLineEdit* editor_;
  QString text_;
  QStyle::SubControl pressed_ = QStyle::SC_None;
  QPoint pointer_;  // last pointer position while a button is held
  QBasicTimer repeat_;
};

}  // namespace tracella
