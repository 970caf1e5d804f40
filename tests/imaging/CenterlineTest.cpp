#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <ostream>
#include <random>
#include <string>

#include "Centerline.h"

namespace tracella {
namespace {

constexpr TAlphaColor kInk = 0xFF000000u;
constexpr TAlphaColor kPaper = 0xFFFFFFFFu;

struct Point {
  double x, y;
};

// A line's middle as points every tenth of a pixel.
using Middle = std::vector<Point>;

Middle Straight(Point from, Point to) {
  Middle middle;
  const int steps = static_cast<int>(std::hypot(to.x - from.x, to.y - from.y) * 10);
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    middle.push_back({from.x + t * (to.x - from.x), from.y + t * (to.y - from.y)});
  }
  return middle;
}

Middle Arc(Point centre, double radius, double fromDegrees, double toDegrees) {
  Middle middle;
  const double from = fromDegrees * std::numbers::pi / 180;
  const double to = toDegrees * std::numbers::pi / 180;
  const int steps = static_cast<int>(std::abs(to - from) * radius * 10);
  for (int i = 0; i <= steps; ++i) {
    const double angle = from + (to - from) * i / steps;
    middle.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
  }
  return middle;
}

double DistanceTo(const Middle& middle, Point p) {
  double nearest = INFINITY;
  for (const Point& m : middle) nearest = std::min(nearest, std::hypot(m.x - p.x, m.y - p.y));
  return nearest;
}

// A sheet with each line painted `width` pixels wide: every pixel nearer its middle than half that,
// or with a square brush that wide, which gives a level line square ends.
TBitmap Painted(const std::vector<Middle>& lines, double width, bool squareBrush = false, int size = 200) {
  TBitmap sheet;
  sheet.SetSize(size, size);
  for (int y = 0; y < size; ++y) std::fill_n(sheet.ScanLine(y), size, kPaper);
  const int reach = static_cast<int>(width / 2) + 1;
  for (const Middle& line : lines)
    for (const Point& m : line)
      for (int y = static_cast<int>(m.y) - reach; y <= static_cast<int>(m.y) + reach; ++y)
        for (int x = static_cast<int>(m.x) - reach; x <= static_cast<int>(m.x) + reach; ++x)
          if (x >= 0 && y >= 0 && x < size && y < size &&
              (squareBrush ? std::max(std::abs(m.x - x), std::abs(m.y - y)) : std::hypot(m.x - x, m.y - y)) < width / 2)
            sheet.ScanLine(y)[x] = kInk;
  return sheet;
}

TCenterLines Traced(const TBitmap& sheet) { return TraceCenterLines(RowsOf(sheet), kInk, 0.5); }

double Length(const TPolyline& path) {
  double length = 0;
  for (std::size_t i = 1; i < path.size(); ++i)
    length += std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
  return length;
}

// How far the path strays from the middle: at its points and halfway between them.
double Straying(const TPolyline& path, const Middle& middle) {
  double farthest = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    farthest = std::max(farthest, DistanceTo(middle, {double(path[i].x), double(path[i].y)}));
    if (i > 0)
      farthest = std::max(farthest,
                          DistanceTo(middle, {(path[i].x + path[i - 1].x) / 2.0, (path[i].y + path[i - 1].y) / 2.0}));
  }
  return farthest;
}

double MiddleLength(const Middle& middle) {
  double length = 0;
  for (std::size_t i = 1; i < middle.size(); ++i)
    length += std::hypot(middle[i].x - middle[i - 1].x, middle[i].y - middle[i - 1].y);
  return length;
}

struct LineCase {
  const char* name;
  std::function<Middle()> middle;
  bool squareBrush = false;
};

void PrintTo(const LineCase& line, std::ostream* out) { *out << line.name; }

class CenterLineWidthTest : public testing::TestWithParam<std::tuple<LineCase, int>> {};

// One path a line, never more than a pixel from its middle, and all along it but for the ends that
// thinning takes back by half the width.
TEST_P(CenterLineWidthTest, OnePathAlongTheMiddle) {
  const auto& [shape, width] = GetParam();
  const Middle middle = shape.middle();
  const TBitmap sheet = Painted({middle}, width, shape.squareBrush);
  const TCenterLines lines = Traced(sheet);
  ASSERT_EQ(lines.paths.size(), 1u);
  EXPECT_LE(Straying(lines.paths[0], middle), 1.0);
  EXPECT_GE(Length(lines.paths[0]), MiddleLength(middle) - width - 2);
  // The pen as wide as the line: its area over its length.
  const auto area = static_cast<double>(std::count(sheet.Pixels(), sheet.Pixels() + sheet.PixelCount(), kInk));
  const double lineWidth = area / MiddleLength(middle);
  EXPECT_NEAR(lines.meanWidth, lineWidth, 0.15 * lineWidth + 0.3);
}

INSTANTIATE_TEST_SUITE_P(Lines, CenterLineWidthTest,
                         testing::Combine(testing::Values(LineCase{"Level",
                                                                   [] {
                                                                     return Straight({20, 100}, {180, 100});
                                                                   }},
                                                          LineCase{"Bar",
                                                                   [] {
                                                                     return Straight({20, 100}, {180, 100});
                                                                   },
                                                                   true},
                                                          LineCase{"Slanted",
                                                                   [] {
                                                                     return Straight({20, 40}, {180, 150});
                                                                   }},
                                                          LineCase{"SquareSlanted",
                                                                   [] {
                                                                     return Straight({20, 40}, {180, 150});
                                                                   },
                                                                   true},
                                                          LineCase{"Steep",
                                                                   [] {
                                                                     return Straight({90, 15}, {120, 185});
                                                                   }},
                                                          LineCase{"Arc",
                                                                   [] {
                                                                     return Arc({100, 170}, 80, 200, 340);
                                                                   }},
                                                          LineCase{"Ring",
                                                                   [] {
                                                                     return Arc({100, 100}, 70, 0, 360);
                                                                   }}),
                                          testing::Range(1, 10)),
                         [](const testing::TestParamInfo<std::tuple<LineCase, int>>& param) {
                           return std::string(std::get<0>(param.param).name) +
                                  std::to_string(std::get<1>(param.param)) + "px";
                         });

// A ring comes back as a closed path.
TEST(CenterLineTest, ARingIsClosed) {
  const TCenterLines lines = Traced(Painted({Arc({100, 100}, 70, 0, 360)}, 3));
  ASSERT_EQ(lines.paths.size(), 1u);
  EXPECT_EQ(lines.paths[0].front(), lines.paths[0].back());
}

// Lines that meet are drawn in one stroke where they join end to end; where they cross, each goes
// straight on through the crossing.
TEST(CenterLineTest, LinesThatMeetAreJoined) {
  const Middle left = Straight({30, 170}, {100, 30});
  const Middle right = Straight({100, 30}, {170, 170});
  const TCenterLines roof = Traced(Painted({left, right}, 3));
  ASSERT_EQ(roof.paths.size(), 1u);
  EXPECT_GE(Length(roof.paths[0]), MiddleLength(left) + MiddleLength(right) - 8);

  const Middle across = Straight({20, 100}, {180, 100});
  const Middle down = Straight({100, 20}, {100, 180});
  const TCenterLines cross = Traced(Painted({across, down}, 3));
  ASSERT_EQ(cross.paths.size(), 2u);
  for (const TPolyline& path : cross.paths) EXPECT_LE(std::min(Straying(path, across), Straying(path, down)), 1.0);
}

// Short paths scattered at random: the ordered paths are the same ones, some turned round, and
// travel no further; two paths end to end are drawn one after the other, the second backwards.
TEST(CenterLineTest, OrderingNeverTravelsFurther) {
  std::mt19937 random(19);
  std::uniform_int_distribution<int> coordinate(0, 999);
  for (const std::size_t count : {2u, 3u, 10u, 200u, 5000u}) {
    std::vector<TPolyline> paths;
    for (std::size_t i = 0; i < count; ++i) {
      const TPixelPoint from{coordinate(random), coordinate(random)};
      paths.push_back({from, {from.x + coordinate(random) % 20, from.y + coordinate(random) % 20}});
    }
    std::vector<TPolyline> ordered = paths;
    OrderForPenTravel(ordered);
    EXPECT_LE(PenUpTravel(ordered), PenUpTravel(paths)) << count;
    const auto key = [](TPolyline path) {
      if (std::make_pair(path.back().x, path.back().y) < std::make_pair(path.front().x, path.front().y))
        std::reverse(path.begin(), path.end());
      return std::vector<int>{path.front().x, path.front().y, path.back().x, path.back().y};
    };
    std::vector<std::vector<int>> given, kept;
    for (const TPolyline& path : paths) given.push_back(key(path));
    for (const TPolyline& path : ordered) kept.push_back(key(path));
    std::sort(given.begin(), given.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(given, kept) << count;
  }

  std::vector<TPolyline> pair{{{0, 0}, {10, 0}}, {{100, 0}, {11, 0}}, {{50, 50}, {50, 50}}};
  OrderForPenTravel(pair);
  ASSERT_EQ(pair.size(), 3u);
  EXPECT_EQ(pair[1].front(), (TPixelPoint{11, 0}));
  EXPECT_DOUBLE_EQ(PenUpTravel(pair), 1 + std::hypot(50, 50));
}

}  // namespace
}  // namespace tracella
