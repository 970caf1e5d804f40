#include <gtest/gtest.h>

#include "Bitmap.h"
#include "CodecFixtures.h"
#include "DecodeBudget.h"

namespace tracella {
namespace {

TEST(DecodeBudgetTest, FittedSizeKeepsWhatFitsAndShrinksTheRestKeepingTheShape) {
  const struct {
    QSize size, fitted;
  } cases[] = {
      {{8192, 8192}, {8192, 8192}},   {{1, 1}, {1, 1}},
      {{8193, 100}, {8192, 100}},     {{16384, 8192}, {8192, 4096}},
      {{6000, 9000}, {5461, 8192}},   {{100000, 3}, {8192, 1}},
      {{65535, 65535}, {8192, 8192}},
  };
  for (const auto& [size, fitted] : cases) EXPECT_EQ(FittedSize(size), fitted) << size.width() << "x" << size.height();
}

TEST(DecodeBudgetTest, SizeRefusalTakesUpToTheBudgetAndRefusesEmptyOrLargerPictures) {
  const struct {
    std::int64_t width, height;
    std::optional<TRefusalKind> why;
  } cases[] = {
      {1, 1, std::nullopt},
      {16384, 8192, std::nullopt},
      {MaxDecodePixels, 1, std::nullopt},
      {16385, 8192, TRefusalKind::BeyondBudget},
      {1, MaxDecodePixels + 1, TRefusalKind::BeyondBudget},
      {0xFFFFFFFF, 0xFFFFFFFF, TRefusalKind::BeyondBudget},  // the product overflows 64 bits
      {0, 8192, TRefusalKind::Damaged},
      {8192, -1, TRefusalKind::Damaged},
  };
  for (const auto& [width, height, why] : cases) {
    const std::optional<TRefusal> refusal = SizeRefusal(width, height);
    EXPECT_EQ(refusal ? std::optional(refusal->kind) : std::nullopt, why) << width << "x" << height;
  }
}

}  // namespace
}  // namespace tracella
