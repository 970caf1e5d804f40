#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Specks.h"

namespace tracella {
namespace {

// Pictures written as rows of text, '#' painted: what is left after dropping specks.
struct SpeckCase {
  const char* name;
  std::vector<std::string> before;
  int maxPixels;
  std::vector<std::string> after;
};

class DropSpecksCases : public testing::TestWithParam<SpeckCase> {};

TEST_P(DropSpecksCases, OnBitmapsAndGreyPlanesAlike) {
  const SpeckCase& c = GetParam();
  const int width = static_cast<int>(c.before[0].size());
  const int height = static_cast<int>(c.before.size());
  TBitmap bitmap;
  bitmap.SetSize(width, height);
  TGrayPlane plane;
  plane.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool painted = c.before[y][x] == '#';
      bitmap.ScanLine(y)[x] = painted ? 0x80FF0000u : claWhite;
      plane.Row(y)[x] = static_cast<std::uint8_t>(painted ? x * 7 % 200 : 255);
    }
  }
  DropSpecks(bitmap, claWhite, c.maxPixels);
  DropSpecks(plane, 255, c.maxPixels);
  for (int y = 0; y < height; ++y) {
    std::string fromBitmap, fromPlane;
    for (int x = 0; x < width; ++x) {
      fromBitmap += bitmap.ScanLine(y)[x] == claWhite ? '.' : '#';
      fromPlane += plane.Row(y)[x] == 255 ? '.' : '#';
    }
    EXPECT_EQ(fromBitmap, c.after[y]) << "row " << y;
    EXPECT_EQ(fromPlane, c.after[y]) << "row " << y;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Groups, DropSpecksCases,
    testing::Values(SpeckCase{"ZeroKeepsAll", {"#..", "...", "..#"}, 0, {"#..", "...", "..#"}},
                    SpeckCase{"CornersJoin", {"#...", ".#..", "..#.", "...."}, 2, {"#...", ".#..", "..#.", "...."}},
                    SpeckCase{"AtMostNDropped", {"#...", ".#..", "..#.", "...#"}, 4, {"....", "....", "....", "...."}},
                    SpeckCase{
                        "OnlyTheSmallGroup", {"##.#", "#...", "....", "##.."}, 2, {"##..", "#...", "....", "...."}},
                    SpeckCase{"TouchingTheEdges", {"#..#", "....", "#..#"}, 1, {"....", "....", "...."}},
                    SpeckCase{"ARingAroundAHole", {"###", "#.#", "###"}, 7, {"###", "#.#", "###"}}),
    [](const testing::TestParamInfo<SpeckCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tracella
