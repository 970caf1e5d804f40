#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "CaseName.h"
#include "Guard.h"
#include "HeldRepeat.h"
#include "TSpinBox.h"

namespace tracella {
namespace {

// A spin box set up as the window's threshold box, with every OnChange recorded as the value
// and the text the handler saw.
struct Shown {
  float value;
  QString text;
  bool operator==(const Shown&) const = default;
};

struct RecordedSpinBox {
  explicit RecordedSpinBox(float start) {
    box.resize(66, 22);
    box.SetMin(3);
    box.SetMax(33);
    box.SetValue(start);
    box.OnChange = [this] { events.push_back({box.Value(), box.Text()}); };
  }
  QLineEdit& Editor() { return *box.findChild<QLineEdit*>(); }
  void Type(const QString& keys) {
    Editor().selectAll();
    QTest::keyClicks(&Editor(), keys);
  }

  TSpinBox box;
  std::vector<Shown> events;
};

std::ostream& operator<<(std::ostream& out, const Shown& shown) {
  return out << "{" << shown.value << ", \"" << shown.text.toStdString() << "\"}";
}

TEST(TSpinBox, StartsAtItsConfiguredValueWithoutEvents) {
  RecordedSpinBox spin(9);
  EXPECT_EQ(spin.box.Value(), 9.0f);
  EXPECT_EQ(spin.box.Text(), "9");
  EXPECT_EQ(spin.Editor().text(), "9");
  EXPECT_EQ(spin.box.cursor().shape(), Qt::IBeamCursor);
  EXPECT_TRUE(spin.events.empty());
}

struct SetValueCase {
  float start;
  float set;
  float value;
  const char* text;
  int events;
};

void PrintTo(const SetValueCase& c, std::ostream* out) {
  *out << "from " << c.start << " set " << c.set << ": value " << c.value << ", text \"" << c.text << "\", " << c.events
       << " event(s)";
}

class TSpinBoxSetValue : public testing::TestWithParam<SetValueCase> {};

TEST_P(TSpinBoxSetValue, ClampsRoundsHalfEvenAndRaisesOnlyWhenTheTextChanges) {
  const SetValueCase c = GetParam();
  RecordedSpinBox spin(c.start);
  spin.box.SetValue(c.set);
  EXPECT_EQ(spin.box.Value(), c.value);
  EXPECT_EQ(spin.box.Text(), c.text);
  EXPECT_EQ(spin.Editor().text(), c.text);
  ASSERT_EQ(static_cast<int>(spin.events.size()), c.events);
  for (const Shown& seen : spin.events) EXPECT_EQ(seen, (Shown{c.value, c.text}));  // text current inside OnChange
}

INSTANTIATE_TEST_SUITE_P(Table, TSpinBoxSetValue,
                         testing::Values(SetValueCase{9, 9.6f, 9.6f, "10", 1},      //
                                         SetValueCase{9, 12.5f, 12.5f, "12", 1},    // tie to even, down
                                         SetValueCase{9, 13.5f, 13.5f, "14", 1},    // tie to even, up
                                         SetValueCase{9, 9.4f, 9.4f, "9", 0},       // shown number stays
                                         SetValueCase{10.4f, 9.6f, 9.6f, "10", 0},  // rewritten, but equal
                                         SetValueCase{9, 9, 9, "9", 0},             //
                                         SetValueCase{9, 40, 33, "33", 1},          // clamped to Max
                                         SetValueCase{9, 2, 3, "3", 1},             // clamped to Min
                                         SetValueCase{33, 40, 33, "33", 0},         // clamped to where it is
                                         SetValueCase{9, std::numeric_limits<float>::infinity(), 33, "33", 1},
                                         SetValueCase{9, std::numeric_limits<float>::quiet_NaN(), 9, "9", 0},
                                         // A change of 0.005 or less leaves the text, even across .5.
                                         SetValueCase{9.498f, 9.502f, 9.502f, "9", 0},
                                         SetValueCase{9.49f, 9.51f, 9.51f, "10", 1}),
                         [](const testing::TestParamInfo<SetValueCase>& param) {
                           return "From" + CaseName(param.param.start) + "Set" + CaseName(param.param.set);
                         });

struct InputCase {
  const char* name;
  float start;
  std::function<void(RecordedSpinBox&)> input;
  float value;
  const char* text;
  int events;
};

void PrintTo(const InputCase& c, std::ostream* out) {
  *out << c.name << " from " << c.start << ": value " << c.value << ", text \"" << c.text << "\", " << c.events
       << " event(s)";
}

class TSpinBoxInput : public testing::TestWithParam<InputCase> {};

TEST_P(TSpinBoxInput, StepsAndTypedTextGoThroughTheValueRules) {
  const InputCase& c = GetParam();
  RecordedSpinBox spin(c.start);
  c.input(spin);
  EXPECT_EQ(spin.box.Value(), c.value);
  EXPECT_EQ(spin.box.Text(), c.text);
  EXPECT_EQ(static_cast<int>(spin.events.size()), c.events);
}

void Key(RecordedSpinBox& spin, Qt::Key key) { QTest::keyClick(&spin.Editor(), key); }
void TypeAndKey(RecordedSpinBox& spin, const QString& text, Qt::Key key) {
  spin.Type(text);
  Key(spin, key);
}
void TypeAndEnter(RecordedSpinBox& spin, const QString& text) { TypeAndKey(spin, text, Qt::Key_Return); }
void LoseFocus(RecordedSpinBox& spin, Qt::FocusReason reason = Qt::TabFocusReason) {
  QFocusEvent focusOut(QEvent::FocusOut, reason);
  QApplication::sendEvent(&spin.Editor(), &focusOut);
}
void TypeAndLoseFocus(RecordedSpinBox& spin, const QString& text) {
  spin.Type(text);
  LoseFocus(spin);
}
void TypeAndEscapeAndLoseFocus(RecordedSpinBox& spin, const QString& text) {
  TypeAndKey(spin, text, Qt::Key_Escape);
  LoseFocus(spin);
}
// A menu opened from the menu bar, by mouse or by keyboard, only borrows the keyboard.
void TypeAndOpenMenus(RecordedSpinBox& spin, const QString& text) {
  spin.Type(text);
  LoseFocus(spin, Qt::PopupFocusReason);
  LoseFocus(spin, Qt::MenuBarFocusReason);
}
void Wheel(RecordedSpinBox& spin, int delta) {
  QWheelEvent wheel(QPointF(20, 10), QPointF(20, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&spin.box, &wheel);
}
// The two buttons sit at the right end, up above down, in every style we know.
void ClickButton(RecordedSpinBox& spin, bool up) {
  QTest::mouseClick(&spin.box, Qt::LeftButton, {}, QPoint(spin.box.width() - 6, up ? 5 : spin.box.height() - 5));
}

INSTANTIATE_TEST_SUITE_P(
    Table, TSpinBoxInput,
    testing::Values(InputCase{"UpKey", 9, [](auto& s) { Key(s, Qt::Key_Up); }, 10, "10", 1},
                    InputCase{"DownKey", 9, [](auto& s) { Key(s, Qt::Key_Down); }, 8, "8", 1},
                    InputCase{"UpKeyAtMax", 33, [](auto& s) { Key(s, Qt::Key_Up); }, 33, "33", 0},
                    InputCase{"DownKeyNearMin", 3.5f, [](auto& s) { Key(s, Qt::Key_Down); }, 3, "3", 1},
                    InputCase{"UpKeyFromDrag", 12.7f, [](auto& s) { Key(s, Qt::Key_Up); }, 13.7f, "14", 1},
                    InputCase{"WheelAway", 9, [](auto& s) { Wheel(s, 120); }, 10, "10", 1},
                    InputCase{"WheelTowards", 9, [](auto& s) { Wheel(s, -120); }, 8, "8", 1},
                    InputCase{"PlusButton", 9, [](auto& s) { ClickButton(s, true); }, 10, "10", 1},
                    InputCase{"MinusButton", 9, [](auto& s) { ClickButton(s, false); }, 8, "8", 1},
                    InputCase{"MinusButtonAtMin", 3, [](auto& s) { ClickButton(s, false); }, 3, "3", 0},
                    InputCase{"TypedNumber", 9, [](auto& s) { TypeAndEnter(s, "20"); }, 20, "20", 1},
                    InputCase{"TypedWithSign", 9, [](auto& s) { TypeAndEnter(s, "+12"); }, 12, "12", 1},
                    InputCase{"TypedAboveMax", 9, [](auto& s) { TypeAndEnter(s, "40"); }, 33, "33", 1},
                    InputCase{"TypedBelowMin", 9, [](auto& s) { TypeAndEnter(s, "2"); }, 3, "3", 1},
                    InputCase{"TypedNegative", 9, [](auto& s) { TypeAndEnter(s, "-7"); }, 3, "3", 1},
                    InputCase{"TypedHuge", 9, [](auto& s) { TypeAndEnter(s, QString(400, '9')); }, 33, "33", 1},
                    InputCase{"OtherCharactersRejected", 9, [](auto& s) { TypeAndEnter(s, "1x.5e"); }, 15, "15", 1},
                    InputCase{"NotANumber", 9, [](auto& s) { TypeAndEnter(s, "4-"); }, 9, "9", 0},
                    InputCase{"EmptyText", 9, [](auto& s) { TypeAndEnter(s, ""); }, 9, "9", 0},
                    InputCase{"TypedOnFocusLoss", 9, [](auto& s) { TypeAndLoseFocus(s, "21"); }, 21, "21", 1},
                    InputCase{"EscapeDropsTypedText", 9, [](auto& s) { TypeAndEscapeAndLoseFocus(s, "20"); }, 9, "9",
                              0},
                    InputCase{"NotAppliedBeforeEnter", 9, [](auto& s) { s.Type("21"); }, 9, "9", 0},
                    InputCase{"NotAppliedByOpeningAMenu", 9, [](auto& s) { TypeAndOpenMenus(s, "21"); }, 9, "9", 0},
                    InputCase{"StillTypedAfterTheMenu", 9,
                              [](auto& s) {
                                TypeAndOpenMenus(s, "21");
                                Key(s, Qt::Key_Return);
                              },
                              21, "21", 1},
                    // Leaving the box untouched keeps a fractional value from the track bar.
                    InputCase{"FocusLossWithoutTyping", 12.7f, [](auto& s) { LoseFocus(s); }, 12.7f, "13", 0},
                    InputCase{"TypedThenStepped", 9, [](auto& s) { TypeAndKey(s, "20", Qt::Key_Up); }, 21, "21", 2}),
    [](const testing::TestParamInfo<InputCase>& param) { return std::string(param.param.name); });

TEST(TSpinBox, HandlerExceptionFromInputGoesToTheReporterAndFromSetValueToTheCaller) {
  std::vector<std::string> reported;
  SetFailureReporter([&reported](const std::exception_ptr& failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const std::exception& e) {
      reported.emplace_back(e.what());
    }
  });
  RecordedSpinBox spin(9);
  spin.box.OnChange = [] { throw std::runtime_error("render failed"); };

  Key(spin, Qt::Key_Up);
  EXPECT_EQ(reported, std::vector<std::string>{"render failed"});
  EXPECT_EQ(spin.box.Value(), 10.0f);  // the step was taken before the handler failed
  EXPECT_EQ(spin.box.Text(), "10");

  EXPECT_THROW(spin.box.SetValue(20), std::runtime_error);
  EXPECT_EQ(reported.size(), 1u);
  SetFailureReporter(nullptr);
}

// Holding a button repeats its step at the style's pace, until a step fails.
TEST(TSpinBox, HeldButtonRepeatsUntilAStepFails) {
  RecordedSpinBox held(9), failing(9);
  test::ExpectHeldRepeatUntilAStepFails(held.box, failing.box, QPoint(60, 5), 11);
}

}  // namespace
}  // namespace tracella
