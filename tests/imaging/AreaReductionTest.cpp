#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "AreaReduction.h"

namespace tracella {
namespace {

// Reduces `source` (rows of `width` pixels) to the target's size.
TBitmap Reduced(const std::vector<TAlphaColor>& source, int width, int targetWidth, int targetHeight) {
  const int height = int(source.size()) / width;
  TBitmap target(targetWidth, targetHeight);
  TAreaReduction reduction(width, height, target);
  for (int y = 0; y < height; ++y) reduction.AddRow(&source[std::size_t(y) * width]);
  return target;
}

TEST(AreaReductionTest, EachTargetPixelAveragesTheAreaItCoversPartPixelsByTheirPart) {
  // 3 -> 2 columns: the middle source pixel is split half and half.
  const TBitmap row = Reduced({0xFF000000, 0xFF00005A, 0xFF0000B4}, 3, 2, 1);
  EXPECT_EQ(row.ScanLine(0)[0], 0xFF00001Eu);  // (0 + 90 / 2) / 1.5 = 30
  EXPECT_EQ(row.ScanLine(0)[1], 0xFF000096u);  // (90 / 2 + 180) / 1.5 = 150
  // 1 x 3 -> 1 x 2, the same along columns, every channel alike.
  const TBitmap column = Reduced({0x00000000, 0x5A5A5A5A, 0xB4B4B4B4}, 1, 1, 2);
  EXPECT_EQ(column.ScanLine(0)[0], 0x1E1E1E1Eu);
  EXPECT_EQ(column.ScanLine(1)[0], 0x96969696u);
  // A whole-number ratio is a plain box average; equal sizes copy.
  EXPECT_EQ(Reduced({10, 20, 30, 41}, 2, 1, 1).ScanLine(0)[0], 25u);
  const std::vector<TAlphaColor> same{0x11223344, 0x55667788};
  const TBitmap copy = Reduced(same, 2, 2, 1);
  EXPECT_EQ(copy.ScanLine(0)[0], same[0]);
  EXPECT_EQ(copy.ScanLine(0)[1], same[1]);
}

TEST(AreaReductionTest, RowsWiderThan2To24PixelsStillAverageRight) {
  // Half white, half black: each half sums past 32 bits within one target pixel.
  const int width = 17'000'000;
  std::vector<TAlphaColor> row(width, 0xFFFFFFFF);
  std::fill(row.begin() + width / 2, row.end(), 0xFF000000);
  const TBitmap reduced = Reduced(row, width, 2, 1);
  EXPECT_EQ(reduced.ScanLine(0)[0], 0xFFFFFFFFu);
  EXPECT_EQ(reduced.ScanLine(0)[1], 0xFF000000u);
}

TEST(AreaReductionTest, ARowAddedManyTimesCountsAsThatManyRows) {
  // 3 x 7 -> 2 x 3, so repeated rows straddle target rows; the last band overshoots the height.
  const std::vector<TAlphaColor> plain(3, 0xFF102030), marked{0xFFFFFFFF, 0x80402010, 0xFF000000};
  std::vector<TAlphaColor> source;
  for (const auto* row : {&plain, &plain, &plain, &marked, &plain, &plain, &plain})
    source.insert(source.end(), row->begin(), row->end());
  const TBitmap oneByOne = Reduced(source, 3, 2, 3);
  TBitmap banded(2, 3);
  TAreaReduction reduction(3, 7, banded);
  reduction.AddRows(plain.data(), 3);
  reduction.AddRow(marked.data());
  reduction.AddRows(plain.data(), 5);
  for (int y = 0; y < 3; ++y)
    EXPECT_TRUE(std::equal(banded.ScanLine(y), banded.ScanLine(y) + 2, oneByOne.ScanLine(y))) << "row " << y;
}

}  // namespace
}  // namespace tracella
