#include <gtest/gtest.h>

#include <QApplication>
#include <QKeySequence>
#include <QMouseEvent>
#include <QTest>
#include <cmath>
#include <limits>
#include <vector>

#include "CaseName.h"
#include "TTrackBar.h"

namespace tracella {
namespace {

// The window's threshold bar: 3 to 30, 466 x 19, every OnChange recorded with the value seen.
struct RecordedTrackBar {
  explicit RecordedTrackBar(float start) {
    bar.resize(466, 19);
    bar.SetMin(3);
    bar.SetMax(30);
    bar.SetValue(start);
    bar.OnChange = [this] { events.push_back(bar.Value()); };
  }
  TTrackBar bar;
  std::vector<float> events;
};

struct SetValueCase {
  float start, set, value;
  int events;
};

void PrintTo(const SetValueCase& c, std::ostream* out) {
  *out << "from " << c.start << " set " << c.set << ": value " << c.value << ", " << c.events << " event(s)";
}

class TTrackBarSetValue : public testing::TestWithParam<SetValueCase> {};

TEST_P(TTrackBarSetValue, ClampsAndRaisesWhenTheStoredValueChanges) {
  const SetValueCase c = GetParam();
  RecordedTrackBar track(c.start);
  track.bar.SetValue(c.set);
  EXPECT_EQ(track.bar.Value(), c.value);
  EXPECT_EQ(track.events, std::vector<float>(static_cast<std::size_t>(c.events), c.value));
}

INSTANTIATE_TEST_SUITE_P(Table, TTrackBarSetValue,
                         testing::Values(SetValueCase{9, 9, 9, 0},        //
                                         SetValueCase{9, 9.4f, 9.4f, 1},  // not rounded
                                         SetValueCase{9, 33, 30, 1},      //
                                         SetValueCase{30, 31, 30, 0},     // clamped to where it is
                                         SetValueCase{9, -2, 3, 1},       //
                                         SetValueCase{9, std::numeric_limits<float>::quiet_NaN(), 9, 0}),
                         [](const testing::TestParamInfo<SetValueCase>& param) {
                           return "From" + CaseName(param.param.start) + "Set" + CaseName(param.param.set);
                         });

struct KeyCase {
  float start;
  Qt::Key key;
  float value;
};

std::string KeyName(Qt::Key key) { return QKeySequence(key).toString().toStdString(); }

void PrintTo(const KeyCase& c, std::ostream* out) {
  *out << KeyName(c.key) << " from " << c.start << ": value " << c.value;
}

class TTrackBarKeys : public testing::TestWithParam<KeyCase> {};

TEST_P(TTrackBarKeys, StepByOneOrJumpToTheEnds) {
  const KeyCase c = GetParam();
  RecordedTrackBar track(c.start);
  QTest::keyClick(&track.bar, c.key);
  EXPECT_EQ(track.bar.Value(), c.value);
  EXPECT_EQ(track.events.size(), c.value == c.start ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, TTrackBarKeys,
                         testing::Values(KeyCase{9, Qt::Key_Left, 8}, KeyCase{9, Qt::Key_Up, 8},
                                         KeyCase{9, Qt::Key_Right, 10}, KeyCase{9, Qt::Key_Down, 10},
                                         KeyCase{9.5f, Qt::Key_Right, 10.5f}, KeyCase{3.5f, Qt::Key_Left, 3},
                                         KeyCase{3, Qt::Key_Up, 3}, KeyCase{29.5f, Qt::Key_Down, 30},
                                         KeyCase{9, Qt::Key_Home, 3}, KeyCase{9, Qt::Key_End, 30},
                                         KeyCase{30, Qt::Key_End, 30}),
                         [](const testing::TestParamInfo<KeyCase>& param) {
                           return "From" + CaseName(param.param.start) + KeyName(param.param.key);
                         });

TEST(TTrackBar, ClickOnTheTrackSetsTheValueThere) {
  RecordedTrackBar track(9);
  const int right = track.bar.width() - 1;
  QTest::mouseClick(&track.bar, Qt::LeftButton, {}, QPoint(right, 9));
  EXPECT_EQ(track.bar.Value(), 30.0f);
  QTest::mouseClick(&track.bar, Qt::LeftButton, {}, QPoint(track.bar.width() / 2, 9));
  EXPECT_NEAR(track.bar.Value(), 16.5, 0.1);  // within a pixel's worth of the middle
  QTest::mouseClick(&track.bar, Qt::LeftButton, {}, QPoint(0, 9));
  EXPECT_EQ(track.bar.Value(), 3.0f);
  EXPECT_EQ(track.events.size(), 3u);
}

TEST(TTrackBar, DraggingTheThumbGivesContinuousValuesAndAnEventPerMove) {
  RecordedTrackBar track(3);  // thumb at the left end
  QTest::mousePress(&track.bar, Qt::LeftButton, {}, QPoint(4, 9));
  EXPECT_TRUE(track.events.empty()) << "grabbing the thumb does not move it";

  float last = track.bar.Value();
  for (int x = 5; x <= 40; ++x) {
    QTest::mouseMove(&track.bar, QPoint(x, 9));
    EXPECT_GT(track.bar.Value(), last);
    last = track.bar.Value();
  }
  EXPECT_EQ(track.events.size(), 36u);
  EXPECT_NE(last, std::round(last)) << "a drag is not rounded to whole steps";
  EXPECT_NEAR(last, 3 + 27.0 * 36 / (466 - 20), 0.5);  // 36 px along a groove of about 446 px

  QTest::mouseMove(&track.bar, QPoint(40, 15));  // same column: no change, no event
  EXPECT_EQ(track.events.size(), 36u);
  QTest::mouseMove(&track.bar, QPoint(1000, 9));
  EXPECT_EQ(track.bar.Value(), 30.0f);
  QTest::mouseRelease(&track.bar, Qt::LeftButton, {}, QPoint(1000, 9));
  QMouseEvent hover(QEvent::MouseMove, QPointF(0, 9), track.bar.mapToGlobal(QPointF(0, 9)), Qt::NoButton, Qt::NoButton,
                    Qt::NoModifier);  // QTest moves only the cursor when no button is held
  QApplication::sendEvent(&track.bar, &hover);
  EXPECT_EQ(track.bar.Value(), 30.0f) << "released: moving no longer drags";
}

}  // namespace
}  // namespace tracella
