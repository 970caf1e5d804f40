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

TBitmap RandomGray(int width, int height, std::uint32_t seed) {
  TBitmap gray;
  TGrayPlane plane;
  MakeGray(RandomImage(width, height, seed), gray, plane);
  return gray;
}

// The Gaussian written out in doubles, one pixel at a time, the edge pixels extended outwards.
double ReferenceBlur(const TBitmap& gray, int x, int y, double sigma) {
  const int radius = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
  double sum = 0, weights = 0;
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const int sx = std::clamp(x + dx, 0, gray.Width() - 1);
      const int sy = std::clamp(y + dy, 0, gray.Height() - 1);
      const double weight = std::exp(-0.5 * (dx * dx + dy * dy) / (sigma * sigma));
      sum += weight * GreenOf(gray.ScanLine(sy)[sx]);
      weights += weight;
    }
  }
  return sum / weights;
}

TEST(BlurGrayTest, SigmaZeroLeavesEveryByte) {
  const TBitmap original = RandomImage(37, 11, 3);  // not even grey: nothing may be touched
  TBitmap blurred;
  blurred.Assign(original);
  BlurGray(blurred, 0);
  EXPECT_TRUE(std::equal(original.Pixels(), original.Pixels() + original.PixelCount(), blurred.Pixels()));
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
  const TBitmap original = RandomGray(c.width, c.height, 7);
  // Rounded to whole levels from within a quarter level of the exact value.
  const double tolerance = 0.5 + 0.25;
  std::vector<TAlphaColor> first;
  for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    const PinnedTarget pinned(target);
    const char* const targetName = hwy::TargetName(target);
    TBitmap blurred;
    blurred.Assign(original);
    BlurGray(blurred, c.sigma);
    ASSERT_EQ(blurred.Width(), c.width);
    ASSERT_EQ(blurred.Height(), c.height);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const TAlphaColor pixel = blurred.ScanLine(y)[x];
        const double expected = ReferenceBlur(original, x, y, c.sigma);
        ASSERT_LE(std::abs(GreenOf(pixel) - expected), tolerance) << x << "," << y << " on " << targetName;
        ASSERT_EQ(pixel, 0xFF000000u | GreenOf(pixel) * 0x010101u) << x << "," << y << " on " << targetName;
      }
    }
    // Every instruction set the processor runs writes the same bytes.
    const std::vector<TAlphaColor> pixels(blurred.Pixels(), blurred.Pixels() + blurred.PixelCount());
    if (first.empty()) first = pixels;
    EXPECT_EQ(pixels, first) << "on " << targetName;
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
  TBitmap flat(50, 20);
  flat.Clear(0xFF7B7B7Bu);
  BlurGray(flat, 10);
  EXPECT_TRUE(
      std::all_of(flat.Pixels(), flat.Pixels() + flat.PixelCount(), [](TAlphaColor p) { return p == 0xFF7B7B7Bu; }));
}

}  // namespace
}  // namespace tracella
