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

TEST(AreaReductionTest, PixelsArrivingInPassesGiveTheSameTargetAsRows) {
  // Adam7's passes: first row, row step, first column, column step.
  const int passes[7][4] = {{0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4},
                            {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1}};
  const struct {
    const char* name;
    int width, height, targetWidth, targetHeight;
    TPixelChannels channels;
  } cases[] = {
      {"halved: 16-bit sums", 16, 6, 8, 3, TPixelChannels::ColourAndAlpha},
      {"odd sizes: 32-bit sums", 37, 23, 11, 7, TPixelChannels::Colour},
      {"grey", 29, 17, 10, 9, TPixelChannels::Grey},
      // Bright: its sums pass 2^32.
      {"64-bit sums", 2'900'001, 7, 2, 6, TPixelChannels::ColourAndAlpha},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TAlphaColor> source(std::size_t(c.width) * std::size_t(c.height));
    std::uint32_t state = 7;
    for (TAlphaColor& pixel : source) {
      state = state * 1664525u + 1013904223u;
      const auto byte = [&](int shift) { return std::uint8_t(0xC0 | (state >> shift)); };
      const std::uint8_t alpha = c.channels == TPixelChannels::ColourAndAlpha ? byte(24) : 0xFF;
      pixel = c.channels == TPixelChannels::Grey ? MakeColor(0xFF, byte(16), byte(16), byte(16))
                                                 : Premultiply(MakeColor(alpha, byte(16), byte(8), byte(4)));
    }
    const TBitmap rows = Reduced(source, c.width, c.targetWidth, c.targetHeight);
    TBitmap target(c.targetWidth, c.targetHeight);
    TPassAreaReduction reduction(c.width, c.height, target, c.channels);
    std::vector<TAlphaColor> passRow;
    for (const auto& [firstRow, rowStep, firstColumn, columnStep] : passes)
      for (int y = firstRow; y < c.height; y += rowStep) {
        passRow.clear();
        for (int x = firstColumn; x < c.width; x += columnStep) passRow.push_back(source[std::size_t(y) * c.width + x]);
        reduction.AddPixels(y, firstColumn, columnStep, passRow.data(), int(passRow.size()));
      }
    reduction.Finish();
    EXPECT_TRUE(std::equal(rows.Pixels(), rows.Pixels() + rows.PixelCount(), target.Pixels()));
  }
}

}  // namespace
}  // namespace tracella
