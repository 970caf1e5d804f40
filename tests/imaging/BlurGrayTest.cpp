#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "BlurGray.h"
#include "CaseName.h"
#include "PinnedTarget.h"
#include "RandomImage.h"
#include "SketchPasses.h"

namespace tracella {
namespace {

TGrayPlane RandomGray(int width, int height, std::uint32_t seed) {
  TGrayPlane plane;
  MakeGray(RandomImage(width, height, seed), plane);
  return plane;
}

std::vector<std::uint8_t> BytesOf(const TGrayPlane& plane) {
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < plane.Height(); ++y) bytes.insert(bytes.end(), plane.Row(y), plane.Row(y) + plane.Width());
  return bytes;
}

TGrayPlane CopyOf(const TGrayPlane& plane) {
  TGrayPlane copy;
  copy.SetSize(plane.Width(), plane.Height());
  for (int y = 0; y < plane.Height(); ++y) std::copy(plane.Row(y), plane.Row(y) + plane.Width(), copy.Row(y));
  return copy;
}

// The Gaussian written out in doubles, one pixel at a time, the edge pixels extended outwards.
double ReferenceBlur(const TGrayPlane& gray, int x, int y, double sigma) {
  const int radius = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
  double sum = 0, weights = 0;
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const int sx = std::clamp(x + dx, 0, gray.Width() - 1);
      const int sy = std::clamp(y + dy, 0, gray.Height() - 1);
      const double weight = std::exp(-0.5 * (dx * dx + dy * dy) / (sigma * sigma));
      sum += weight * gray.Row(sy)[sx];
      weights += weight;
    }
  }
  return sum / weights;
}

TEST(BlurGrayTest, SigmaZeroLeavesEveryByte) {
  const TGrayPlane original = RandomGray(37, 11, 3);
  TGrayPlane blurred = CopyOf(original);
  BlurGray(blurred, 0);
  EXPECT_EQ(BytesOf(blurred), BytesOf(original));
}

struct BlurCase {
  int width, height;
  float sigma;
};

void PrintTo(const BlurCase& c, std::ostream* out) { *out << c.width << "x" << c.height << ", sigma " << c.sigma; }

// Each vector width the processor can run: 16 bytes always, 32 with AVX2, 64 with AVX-512BW.
class BlurGrayMatches : public testing::TestWithParam<BlurCase> {};

// Sizes around the column blocks and narrower than the kernel, where the edges and the ring of
// rows are easiest to get wrong.
TEST_P(BlurGrayMatches, TheGaussianWithEdgesExtendedToTheNearestGrey) {
  const BlurCase c = GetParam();
  const TGrayPlane original = RandomGray(c.width, c.height, 7);
  // Rounded to whole levels from within a quarter level of the exact value.
  const double tolerance = 0.5 + 0.25;
  std::vector<std::uint8_t> first;
  for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    const PinnedTarget pinned(target);
    const char* const targetName = hwy::TargetName(target);
    TGrayPlane blurred = CopyOf(original);
    BlurGray(blurred, c.sigma);
    ASSERT_EQ(blurred.Width(), c.width);
    ASSERT_EQ(blurred.Height(), c.height);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const double expected = ReferenceBlur(original, x, y, c.sigma);
        ASSERT_LE(std::abs(blurred.Row(y)[x] - expected), tolerance) << x << "," << y << " on " << targetName;
      }
    }
    // Every instruction set the processor runs writes the same bytes.
    const std::vector<std::uint8_t> bytes = BytesOf(blurred);
    if (first.empty()) first = bytes;
    EXPECT_EQ(bytes, first) << "on " << targetName;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, BlurGrayMatches,
                         testing::Values(BlurCase{67, 23, 2}, BlurCase{130, 9, 0.3f}, BlurCase{1, 1, 2},
                                         BlurCase{1, 40, 1.5f}, BlurCase{40, 1, 1.5f}, BlurCase{70, 70, 10},
                                         BlurCase{5, 3, 10}, BlurCase{64, 2, 2}),
                         [](const testing::TestParamInfo<BlurCase>& param) {
                           const BlurCase& c = param.param;
                           return CaseName(c.width) + "x" + CaseName(c.height) + "Sigma" + CaseName(c.sigma);
                         });

TEST(BlurGrayTest, AFlatGreyStaysTheSameGrey) {
  TGrayPlane flat;
  flat.SetSize(50, 20);
  for (int y = 0; y < flat.Height(); ++y) std::fill(flat.Row(y), flat.Row(y) + flat.Width(), 0x7B);
  BlurGray(flat, 10);
  EXPECT_EQ(BytesOf(flat), std::vector<std::uint8_t>(std::size_t{50} * 20, 0x7B));
}

}  // namespace
}  // namespace tracella
