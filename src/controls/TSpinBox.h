#pragma once

#include <QBasicTimer>
#include <QString>
#include <QStyle>
#include <QWidget>
#include <functional>

class QLineEdit;
class QStyleOptionSpinBox;

namespace tracella {

// A spin box over a double value that shows it as a whole number. Setting the value raises
// OnChange inside the setter, and only when the shown number changes; a handler may set the
// value again, and the shown number then follows the latest value.
class TSpinBox : public QWidget {
  Q_OBJECT

 public:
  explicit TSpinBox(QWidget* parent = nullptr);

  float Value() const;
  void SetValue(float value);
  double Min() const;
  double Max() const;
  void SetMin(double min);
  void SetMax(double max);
  QString Text() const;

  std::function<void()> OnChange;

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
  bool event(QEvent* event) override;

 private:
  QStyleOptionSpinBox StyleOption() const;
  QStyle::SubControl HitTest(QPoint position) const;
  void PlaceEditor();
  bool HandleEditorEvent(const QEvent& event);
  void Step(int direction);
  void StepPressedButton();
  void ApplyTypedText();
  void ShowNumber();
  void FitToRange();

  QLineEdit* editor_;
  double value_ = 0;
  double min_ = 0;
  double max_ = 100;
  QString text_;
  QStyle::SubControl pressed_ = QStyle::SC_None;
  QStyle::SubControl hovered_ = QStyle::SC_None;
  QPoint pointer_;  // last pointer position while a button is held
  QBasicTimer repeat_;
};

}  // namespace tracella
