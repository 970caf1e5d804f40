#include <gtest/gtest.h>

#include "Bitmap.h"
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

}  // namespace
}  // namespace tracella
