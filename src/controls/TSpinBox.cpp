#include "TSpinBox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QStyleOptionSpinBox>
#include <QStylePainter>
#include <QTimerEvent>
#include <QWheelEvent>
#include <cmath>

#include "Guard.h"
#include "RoundHalfEven.h"

namespace tracella {

namespace {
// Changes this small leave the shown number alone: half of the last of two decimal digits.
constexpr double kDisplayTolerance = 0.005;

const QRegularExpression& WholeNumberPattern() {
  static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
  return pattern;
}

// A menu or a popup borrows the keyboard only for a while: the box stays its window's focus, so
// what was typed waits for Enter or for the user leaving the box.
bool LeavesTheBox(Qt::FocusReason reason) { return reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason; }

QString WholeNumber(double value) {
  return QString::number(RoundHalfEven(value) + 0.0, 'f', 0);  // + 0.0 turns -0 into 0
}
}  // namespace

TSpinBox::TSpinBox(QWidget* parent)
    : ValueRangeControl(parent), editor_(new QLineEdit(this)), text_(WholeNumber(Stored())) {
  setCursor(Qt::IBeamCursor);
  setFocusPolicy(Qt::WheelFocus);
  editor_->setFrame(false);
  editor_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9+-]*")), editor_));
  editor_->setText(text_);
  editor_->installEventFilter(this);
  setFocusProxy(editor_);
}

float TSpinBox::Value() const { return static_cast<float>(Stored()); }

void TSpinBox::SetValue(float value) {
  const double before = Stored();
  if (!Store(value)) return;  // the repaint shows the arrows' enabled state
  if (std::abs(Stored() - before) > kDisplayTolerance) ShowNumber();
}

QString TSpinBox::Text() const { return text_; }

QSize TSpinBox::sizeHint() const { return {66, 22}; }

// Range changes configure the box: the number is rewritten without raising OnChange.
void TSpinBox::RangeChanged(bool) {
  text_ = WholeNumber(Stored());
  editor_->setText(text_);
}

// Rewrites the shown number from the value; OnChange runs when it differs from the one shown
// before. The handler may set the value again: the text is already current when it runs.
void TSpinBox::ShowNumber() {
  const QString text = WholeNumber(Stored());
  editor_->setText(text);
  if (text == text_) return;
  text_ = text;
  if (OnChange) OnChange();
}

// Typed text is applied only when the user changed it, so moving the focus through the box
// never rounds a fractional value behind the user's back.
void TSpinBox::ApplyTypedText() {
  if (!editor_->isModified()) return;
  const QString text = editor_->text();
  if (WholeNumberPattern().match(text).hasMatch()) {
    bool fits = false;
    double typed = text.toDouble(&fits);
    if (!fits) typed = text.startsWith(u'-') ? -HUGE_VAL : HUGE_VAL;  // too many digits: still a number
    SetValue(static_cast<float>(Clamped(RoundHalfEven(typed))));
  }
  ShowNumber();
}

void TSpinBox::Step(int direction) {
  ApplyTypedText();
  SetValue(static_cast<float>(Stored() + direction));
}

QStyleOptionSpinBox TSpinBox::StyleOption() const {
  QStyleOptionSpinBox option;
  option.initFrom(this);
  option.frame = true;
  option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
  option.subControls =
      QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField | QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
  option.stepEnabled = {};
  if (Stored() < Max()) option.stepEnabled |= QAbstractSpinBox::StepUpEnabled;
  if (Stored() > Min()) option.stepEnabled |= QAbstractSpinBox::StepDownEnabled;
  option.activeSubControls = pressed_ != QStyle::SC_None ? pressed_ : Hovered();
  if (pressed_ != QStyle::SC_None) option.state |= QStyle::State_Sunken;
  return option;
}

QStyle::SubControl TSpinBox::HitTest(QPoint position) const {
  const QStyleOptionSpinBox option = StyleOption();
  return style()->hitTestComplexControl(QStyle::CC_SpinBox, &option, position, this);
}

void TSpinBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  painter.drawComplexControl(QStyle::CC_SpinBox, StyleOption());
}

void TSpinBox::PlaceEditor() {
  const QStyleOptionSpinBox option = StyleOption();
  editor_->setGeometry(style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, this));
}

void TSpinBox::resizeEvent(QResizeEvent*) { PlaceEditor(); }

void TSpinBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::StyleChange) PlaceEditor();
  QWidget::changeEvent(event);
}

bool TSpinBox::eventFilter(QObject* watched, QEvent* event) {
  bool handled = false;
  if (watched == editor_) Guarded([&] { handled = HandleEditorEvent(*event); });
  return handled;
}

bool TSpinBox::HandleEditorEvent(const QEvent& event) {
  switch (event.type()) {
    case QEvent::KeyPress:
      switch (static_cast<const QKeyEvent&>(event).key()) {
        case Qt::Key_Up:
          Step(+1);
          return true;
        case Qt::Key_Down:
          Step(-1);
          return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
          ApplyTypedText();
          return true;
        case Qt::Key_Escape:  // drops what was typed; with nothing typed it goes on to the window
          if (!editor_->isModified()) return false;
          editor_->setText(text_);
          return true;
        default:
          return false;
      }
    case QEvent::FocusOut:
      update();
      if (LeavesTheBox(static_cast<const QFocusEvent&>(event).reason())) ApplyTypedText();
      return false;
    case QEvent::FocusIn:
      update();
      return false;
    default:
      return false;
  }
}

// A held button repeats its step at the style's pace while the pointer stays on it.
void TSpinBox::mousePressEvent(QMouseEvent* event) {
  Guarded([&] {
    if (event->button() != Qt::LeftButton) return;
    pointer_ = event->position().toPoint();
    const QStyle::SubControl hit = HitTest(pointer_);
    if (hit != QStyle::SC_SpinBoxUp && hit != QStyle::SC_SpinBoxDown) return;
    pressed_ = hit;
    update();
    StepPressedButton();
    repeat_.start(style()->styleHint(QStyle::SH_SpinBox_ClickAutoRepeatThreshold, nullptr, this), this);
  });
}

void TSpinBox::StepPressedButton() {
  if (HitTest(pointer_) == pressed_) Step(pressed_ == QStyle::SC_SpinBoxUp ? +1 : -1);
}

void TSpinBox::mouseMoveEvent(QMouseEvent* event) { pointer_ = event->position().toPoint(); }

void TSpinBox::mouseReleaseEvent(QMouseEvent*) {
  repeat_.stop();
  pressed_ = QStyle::SC_None;
  update();
}

void TSpinBox::timerEvent(QTimerEvent* event) {
  if (event->timerId() != repeat_.timerId()) return QWidget::timerEvent(event);
  repeat_.stop();  // a step whose handler failed ends the repeat, as in TScrollBar
  Guarded([&] {
    StepPressedButton();
    repeat_.start(style()->styleHint(QStyle::SH_SpinBox_ClickAutoRepeatRate, nullptr, this), this);
  });
}

void TSpinBox::wheelEvent(QWheelEvent* event) {
  Guarded([&] {
    const int delta = event->angleDelta().y();
    if (delta == 0) return event->ignore();
    Step(delta > 0 ? +1 : -1);
  });
}

}  // namespace tracella
