#include <gtest/gtest.h>

#include <stdexcept>

#include "Application.h"
#include "FakePlatform.h"
#include "Guard.h"

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

}  // namespace
}  // namespace tracella
