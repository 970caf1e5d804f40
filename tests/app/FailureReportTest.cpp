#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "Application.h"
#include "FakePlatform.h"
#include "Guard.h"
#include "QtPlatform.h"

namespace tracella {
namespace {

std::exception_ptr Failure(const std::string& message) { return std::make_exception_ptr(std::runtime_error(message)); }

std::exception_ptr Nested(const std::string& outer, const std::string& inner) {
  try {
    try {
      throw std::runtime_error(inner);
    } catch (...) {
      std::throw_with_nested(std::runtime_error(outer));
    }
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

TEST(FailureTextTest, AppendsAFullStopAfterCharactersAboveIt) {
  const std::pair<std::string, QString> cases[] = {
      {"Disk on fire", "Disk on fire."},
      {"Done.", "Done."},
      {"Really?", "Really?."},
      {"Stop!", "Stop!"},
      {"Ends in comma,", "Ends in comma,"},
      {"trailing blank ", "trailing blank "},
      {"Code 42", "Code 42."},
      {"Colon:", "Colon:."},
      {"", ""},
  };
  for (const auto& [message, shown] : cases) EXPECT_EQ(FailureText(Failure(message)), shown) << message;
}

TEST(FailureTextTest, TakesTheInnermostNonEmptyMessage) {
  EXPECT_EQ(FailureText(Nested("Outer", "Inner")), QStringLiteral("Inner."));
  EXPECT_EQ(FailureText(Nested("Outer", "")), QStringLiteral("Outer."));
  EXPECT_EQ(FailureText(std::make_exception_ptr(42)), QString());
}

TEST(FailureReportTest, AnExceptionEscapingAGuardedCallIsReportedAndTheCallerGoesOn) {
  FakePlatform platform;
  TApplication application(platform);
  application.Initialize();
  bool before = false, after = false;
  Guarded([&] {
    before = true;
    throw std::runtime_error("Handler failed");
    after = true;
  });
  EXPECT_TRUE(before);
  EXPECT_FALSE(after);
  EXPECT_EQ(platform.failures, QStringList{QStringLiteral("Handler failed.")});
}

// The report's box shows on any platform (the offscreen one claims to be X11 but has no
// connection), centred on the window it belongs to wherever that lies.
TEST(FailureReportTest, BoxIsCentredOnTheActiveWindowAlsoOffscreen) {
  QtPlatform platform;
  QWidget owner;
  for (const QRect place : {QRect(0, 0, 818, 600), QRect(37, 11, 1001, 703), QRect(300, 200, 401, 301)}) {
    owner.setGeometry(place);
    owner.show();
    owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
    QRectF box;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&box, &poll] {
      auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!shown || !shown->windowHandle()->isExposed()) return;
      poll.stop();
      box = shown->frameGeometry();
      shown->accept();
    });
    poll.start(10);
    platform.ShowFailure(QStringLiteral("Disk on fire."));
    const QPointF offset = box.center() - QRectF(owner.frameGeometry()).center();
    EXPECT_LE(std::abs(offset.x()), 0.5) << place.x() << "," << place.y();
    EXPECT_LE(std::abs(offset.y()), 0.5) << place.x() << "," << place.y();
  }
}

}  // namespace
}  // namespace tracella
