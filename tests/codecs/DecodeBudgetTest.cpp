#include <gtest/gtest.h>

#include "Bitmap.h"
#include "DecodeBudget.h"

namespace tracella {
namespace {

TEST(DecodeBudgetTest, FittedSizeKeepsWhatFitsAndShrinksTheRestKeepingTheShape) {
  const struct {
    QSize size, fitted;
  } cases[] = {
      {{8192, 8192}, {8192, 8192}},  {{1, 1}, {1, 1}},           {{8193, 100}, {8192, 100}},
      {{16384, 8192}, {8192, 4096}}, {{6000, 9000}, {5461, 8192}}, {{100000, 3}, {8192, 1}},
      {{65535, 65535}, {8192, 8192}},
  };
  for (const auto& [size, fitted] : cases) EXPECT_EQ(FittedSize(size), fitted) << size.width() << "x" << size.height();
}

TEST(DecodeBudgetTest, JpegDecodesAtTheSmallestEighthNotBelowTheWholeRatio) {
  EXPECT_EQ(JpegDecodePixels({8000, 6000}, {8000, 6000}), 8000LL * 6000);     // no reduction
  EXPECT_EQ(JpegDecodePixels({4001, 300}, {1000, 75}), 1001LL * 75);          // 1/4
  EXPECT_EQ(JpegDecodePixels({30000, 30000}, {8192, 8192}), 11250LL * 11250);  // 1/3 -> 3/8
  EXPECT_EQ(JpegDecodePixels({65535, 65535}, {8192, 8192}), 16384LL * 16384);  // 1/7 -> 2/8
  EXPECT_EQ(JpegDecodePixels({90000, 9000}, {8192, 819}), 11250LL * 1125);    // 1/10 -> 1/8
}

}  // namespace
}  // namespace tracella
