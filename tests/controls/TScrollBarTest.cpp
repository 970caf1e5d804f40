#include <gtest/gtest.h>

#include <QBackingStore>
#include <QImage>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <cmath>
#include <functional>
#include <vector>

#include "CaseName.h"
#include "HeldRepeat.h"
#include "TScrollBar.h"

namespace tracella {
namespace {

struct RecordedScrollBar {
  RecordedScrollBar(Qt::Orientation orientation, double max) : bar(orientation) {
    bar.resize(orientation == Qt::Horizontal ? QSize(400, 18) : QSize(18, 400));
    bar.SetMax(max);
    bar.OnChange = [this] { events.push_back(bar.Value()); };
  }
  TScrollBar bar;
  std::vector<double> events;
};

struct StepCase {
  double min, max, smallChange, step;
};

void PrintTo(const StepCase& c, std::ostream* out) {
  *out << "range " << c.min << " to " << c.max << ", SmallChange " << c.smallChange << ": step " << c.step;
}

class TScrollBarArrowStep : public testing::TestWithParam<StepCase> {};

TEST_P(TScrollBarArrowStep, IsSmallChangeOrAPowerOfTenRoundedHalfEven) {
  const StepCase c = GetParam();
  TScrollBar bar(Qt::Vertical);
  bar.SetMax(c.max);
  bar.SetMin(c.min);
  bar.SetSmallChange(c.smallChange);
  EXPECT_DOUBLE_EQ(bar.ArrowStep(), c.step);
}

INSTANTIATE_TEST_SUITE_P(Table, TScrollBarArrowStep,
                         testing::Values(StepCase{0, 371, 0, 10}, StepCase{0, 100, 0, 1},   // k = 0.5 -> 0
                                         StepCase{0, 101, 0, 10}, StepCase{0, 1, 0, 0.01},  // k = -1.5 -> -2
                                         StepCase{0, 1000, 0, 100},                         // k = 1.5 -> 2
                                         StepCase{0, 31, 0, 1}, StepCase{0, 32, 0, 1},      // 1.4914, 1.5051 - 1.5
                                         StepCase{50, 150, 0, 1},                           // the range counts
                                         StepCase{0, 371, 5, 5}, StepCase{0, 0, 0, 0}),
                         [](const testing::TestParamInfo<StepCase>& param) {
                           const StepCase& c = param.param;
                           return "Range" + CaseName(c.min) + "To" + CaseName(c.max) +
                                  (c.smallChange != 0 ? "SmallChange" + CaseName(c.smallChange) : "");
                         });

TEST(TScrollBar, SetValueClampsKeepsFractionsAndRaisesOnlyOnChange) {
  RecordedScrollBar scroll(Qt::Vertical, 371);
  const struct {
    double set, value;
  } steps[] = {{123.7, 123.7}, {123.7, 123.7}, {500, 371}, {400, 371}, {-5, 0}, {-5, 0}, {0.25, 0.25}};
  std::vector<double> expected;
  for (const auto& step : steps) {
    const double before = scroll.bar.Value();
    scroll.bar.SetValue(step.set);
    EXPECT_EQ(scroll.bar.Value(), step.value);
    if (step.value != before) expected.push_back(step.value);
  }
  EXPECT_EQ(scroll.events, expected);
  EXPECT_EQ(scroll.events.size(), 4u);
}

TEST(TScrollBar, ARangeBelowTheValueForcesItDownWithAnEvent) {
  RecordedScrollBar scroll(Qt::Horizontal, 371);
  scroll.bar.SetValue(200);
  scroll.bar.SetMax(300);
  scroll.bar.SetMax(100);
  EXPECT_EQ(scroll.bar.Value(), 100);
  scroll.bar.SetMax(1);
  scroll.bar.SetValue(0);
  scroll.bar.SetMin(0.5);  // a Min above the value raises it
  EXPECT_EQ(scroll.events, (std::vector<double>{200, 100, 1, 0, 0.5}));
  EXPECT_EQ(scroll.bar.Value(), 0.5);
}

TEST(TScrollBar, HandlerSeesTheNewValueAndMaySetItAgain) {
  RecordedScrollBar scroll(Qt::Vertical, 371);
  scroll.bar.OnChange = [&scroll] {
    scroll.events.push_back(scroll.bar.Value());
    if (scroll.bar.Value() > 300) scroll.bar.SetValue(300);
  };
  scroll.bar.SetValue(350);
  EXPECT_EQ(scroll.events, (std::vector<double>{350, 300}));
  EXPECT_EQ(scroll.bar.Value(), 300);
}

struct ClickCase {
  const char* name;
  Qt::Orientation orientation;
  double max, start;
  int along;  // distance from the bar's start; negative counts from its end
  double value;
};

void PrintTo(const ClickCase& c, std::ostream* out) {
  *out << c.name << ": " << (c.orientation == Qt::Horizontal ? "horizontal" : "vertical") << ", Max " << c.max
       << ", from " << c.start << ", click " << std::abs(c.along)
       << (c.along >= 0 ? " from the start" : " from the end") << ": value " << c.value;
}

class TScrollBarClick : public testing::TestWithParam<ClickCase> {};

TEST_P(TScrollBarClick, ArrowsStepAndTheTrackPagesTowardsThePointer) {
  const ClickCase c = GetParam();
  RecordedScrollBar scroll(c.orientation, c.max);
  scroll.bar.SetValue(c.start);
  scroll.events.clear();
  const bool horizontal = c.orientation == Qt::Horizontal;
  const int length = horizontal ? scroll.bar.width() : scroll.bar.height();
  const int along = c.along >= 0 ? c.along : length + c.along;
  QTest::mouseClick(&scroll.bar, Qt::LeftButton, {}, horizontal ? QPoint(along, 9) : QPoint(9, along));
  EXPECT_DOUBLE_EQ(scroll.bar.Value(), c.value);
  EXPECT_EQ(scroll.events.size(), c.value == c.start ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, TScrollBarClick,
                         testing::Values(ClickCase{"DownArrow", Qt::Vertical, 371, 0, -4, 10},
                                         ClickCase{"UpArrow", Qt::Vertical, 371, 123.7, 4, 113.7},
                                         ClickCase{"UpArrowAtTop", Qt::Vertical, 371, 0, 4, 0},
                                         ClickCase{"DownArrowNearEnd", Qt::Vertical, 371, 365, -4, 371},
                                         ClickCase{"RightArrowSmallRange", Qt::Horizontal, 1, 0, -4, 0.01},
                                         ClickCase{"LeftArrow", Qt::Horizontal, 100, 50, 4, 49},
                                         ClickCase{"TrackAfterThumb", Qt::Vertical, 371, 0, -40, 100},
                                         ClickCase{"TrackBeforeThumb", Qt::Horizontal, 371, 371, 40, 271}),
                         [](const testing::TestParamInfo<ClickCase>& param) { return std::string(param.param.name); });

TEST(TScrollBar, HeldArrowRepeatsUntilAStepFails) {
  RecordedScrollBar held(Qt::Vertical, 371), failing(Qt::Vertical, 371);
  test::ExpectHeldRepeatUntilAStepFails(held.bar, failing.bar, QPoint(9, 396), 20);
}

// Where the style puts the thumb of a bar at its minimum.
QRect ThumbAtMinimum(const TScrollBar& bar) {
  QStyleOptionSlider option;
  option.initFrom(&bar);
  option.orientation = Qt::Vertical;
  option.maximum = 1;
  return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar);
}

TEST(TScrollBar, DraggingTheThumbGivesFractionalValues) {
  RecordedScrollBar scroll(Qt::Vertical, 371);
  const QRect thumb = ThumbAtMinimum(scroll.bar);
  QTest::mousePress(&scroll.bar, Qt::LeftButton, {}, thumb.center());
  EXPECT_TRUE(scroll.events.empty()) << "grabbing the thumb does not move it";
  QTest::mouseMove(&scroll.bar, thumb.center() + QPoint(0, 5));
  QTest::mouseMove(&scroll.bar, thumb.center() + QPoint(0, 6));
  ASSERT_EQ(scroll.events.size(), 2u);
  EXPECT_GT(scroll.events[1], scroll.events[0]);
  EXPECT_NE(scroll.bar.Value(), std::floor(scroll.bar.Value())) << "a drag is not rounded to whole steps";
  QTest::mouseMove(&scroll.bar, QPoint(9, 1000));
  EXPECT_EQ(scroll.bar.Value(), 371);
  QTest::mouseRelease(&scroll.bar, Qt::LeftButton, {}, QPoint(9, 1000));
}

// What a bar in a window of its own shows on screen after a repaint.
QImage OnScreen(TScrollBar& bar) {
  bar.repaint();
  return static_cast<QImage*>(bar.backingStore()->paintDevice())->copy(QRect(QPoint(), bar.size()));
}

// A bar keeps the pixels it drew and puts them back while it looks the same: repainted, and after
// each change, it must show what a new bar with the same changes shows when first drawn.
TEST(TScrollBar, ShowsWhatANewBarShowsAfterEachChange) {
  using Change = std::function<void(TScrollBar&)>;
  const struct {
    const char* name;
    Change change;
  } steps[] = {
      {"repainted", [](TScrollBar&) {}},
      {"moved", [](TScrollBar& bar) { bar.SetValue(250); }},
      {"pressed", [](TScrollBar& bar) { QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(9, bar.height() - 4)); }},
      {"released", [](TScrollBar& bar) { QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(9, bar.height() - 4)); }},
      {"shortened", [](TScrollBar& bar) { bar.resize(18, 250); }},
      {"recoloured",
       [](TScrollBar& bar) {
         QPalette palette = bar.palette();
         palette.setColor(QPalette::Button, Qt::darkCyan);
         bar.setPalette(palette);
       }},
      {"disabled", [](TScrollBar& bar) { bar.setEnabled(false); }},
  };
  RecordedScrollBar kept(Qt::Vertical, 371);
  kept.bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&kept.bar));
  QImage before = OnScreen(kept.bar);
  std::vector<Change> made;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    step.change(kept.bar);
    made.push_back(step.change);
    RecordedScrollBar fresh(Qt::Vertical, 371);
    for (const Change& change : made) change(fresh.bar);
    fresh.bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh.bar));
    const QImage shown = OnScreen(kept.bar);
    EXPECT_EQ(shown, OnScreen(fresh.bar));
    if (made.size() > 1) {
      EXPECT_NE(shown, before);
    }
    before = shown;
  }
}

}  // namespace
}  // namespace tracella
