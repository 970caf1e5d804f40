#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <stdexcept>

#include "Guard.h"

namespace tracella::test {

// Holding the mouse at `at` on a control repeats its step; a step whose handler fails ends the
// repeat, so one failure makes one report and not a stream of message boxes while the release is
// lost to them. `failing` fails from its first repeat on, past 10, and stops at `stoppedAt`.
template <class Control>
void ExpectHeldRepeatUntilAStepFails(Control& held, Control& failing, QPoint at, double stoppedAt) {
  int reports = 0;
  SetFailureReporter([&reports](const std::exception_ptr&) { ++reports; });

  int changes = 0;
  held.OnChange = [&changes] { ++changes; };
  QTest::mousePress(&held, Qt::LeftButton, {}, at);
  EXPECT_TRUE(QTest::qWaitFor([&changes] { return changes > 1; })) << "no repeat";
  QTest::mouseRelease(&held, Qt::LeftButton, {}, at);

  failing.OnChange = [&failing] {
    if (failing.Value() > 10) throw std::runtime_error("render failed");
  };
  QTest::mousePress(&failing, Qt::LeftButton, {}, at);
  EXPECT_TRUE(QTest::qWaitFor([&reports] { return reports > 0; }));
  EXPECT_FALSE(QTest::qWaitFor([&reports] { return reports > 1; }, 300)) << "the repeat went on";
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(static_cast<double>(failing.Value()), stoppedAt);
  SetFailureReporter(nullptr);
}

}  // namespace tracella::test
