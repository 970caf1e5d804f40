#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <vector>

#include "CaseName.h"
#include "MatchesReference.h"
#include "RandomImage.h"

namespace tracella {
namespace {

constexpr TAlphaColor W = claWhite, B = claBlack;

TGrayPlane GrayPlaneOf(int width, int height, const std::vector<int>& grays) {
  TGrayPlane plane;
  plane.SetSize(width, height);
  for (std::size_t i = 0; i < grays.size(); ++i)
    plane.Row(static_cast<int>(i) / width)[static_cast<int>(i) % width] = static_cast<std::uint8_t>(grays[i]);
  return plane;
}

TEST(MakeGrayTest, TakesTheGreenChannelOnly) {
  TBitmap source(4, 1);
  TGrayPlane plane;
  const TAlphaColor pixels[] = {0xFF204060u, 0xFFFF0000u, 0xFF0000FFu, 0x00000000u};
  std::copy(std::begin(pixels), std::end(pixels), source.Pixels());
  MakeGray(source, plane);
  EXPECT_EQ(std::vector<std::uint8_t>(plane.Row(0), plane.Row(0) + 4), (std::vector<std::uint8_t>{0x40, 0, 0, 0}));
}

TEST(MakeGrayTest, EmptySourceGivesEmptyGrey) {
  TBitmap source;
  TGrayPlane plane;
  plane.SetSize(5, 5);
  MakeGray(source, plane);
  EXPECT_TRUE(plane.IsEmpty());
}

struct WorkedExampleCase {
  float threshold;
  std::vector<TAlphaColor> expected;
};

void PrintTo(const WorkedExampleCase& c, std::ostream* out) {
  *out << "threshold " << c.threshold << ":";
  for (const TAlphaColor pixel : c.expected) *out << (pixel == B ? " line" : pixel == W ? " white" : " other");
}

class WorkedExampleTest : public testing::TestWithParam<WorkedExampleCase> {};

TEST_P(WorkedExampleTest, PaintsTheLeftAndUpperPixelOfEveryPairBeyondTheThreshold) {
  const TGrayPlane gray = GrayPlaneOf(3, 2, {10, 30, 30, 10, 10, 50});
  TBitmap sketch;
  RenderSketch(gray, GetParam().threshold, claBlack, sketch);
  ASSERT_EQ(sketch.Width(), 3);
  ASSERT_EQ(sketch.Height(), 2);
  EXPECT_EQ(PixelsOf(sketch), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, WorkedExampleTest,
                         testing::Values(WorkedExampleCase{9.0f, {B, B, B, W, B, W}},
                                         WorkedExampleCase{19.6f, {B, B, B, W, B, W}},
                                         WorkedExampleCase{20.0f, {W, W, W, W, B, W}},
                                         WorkedExampleCase{33.0f, {W, W, W, W, B, W}}),
                         [](const testing::TestParamInfo<WorkedExampleCase>& param) {
                           return "Threshold" + CaseName(param.param.threshold);
                         });

TEST(RenderSketchTest, EqualNeighboursNeverPaintAndOnlyTheStepPaints) {
  const TGrayPlane gray = GrayPlaneOf(6, 1, {10, 10, 10, 50, 50, 50});
  TBitmap sketch;
  RenderSketch(gray, 9.0f, claBlack, sketch);
  EXPECT_EQ(PixelsOf(sketch), (std::vector<TAlphaColor>{W, W, B, W, W, W}));
}

TEST(RenderSketchTest, OnePixelPictureIsWhite) {
  const TGrayPlane gray = GrayPlaneOf(1, 1, {0});
  TBitmap sketch;
  RenderSketch(gray, 3.0f, claBlack, sketch);
  EXPECT_EQ(PixelsOf(sketch), std::vector<TAlphaColor>{W});
}

TEST(RenderSketchTest, OnePixelWideUsesOnlyTheLowerNeighbour) {
  const TGrayPlane gray = GrayPlaneOf(1, 3, {0, 100, 100});
  TBitmap sketch;
  RenderSketch(gray, 9.0f, claBlack, sketch);
  EXPECT_EQ(PixelsOf(sketch), (std::vector<TAlphaColor>{B, W, W}));
}

TEST(RenderSketchTest, LineColourIsStoredUnchangedWithItsAlpha) {
  const TGrayPlane gray = GrayPlaneOf(2, 1, {0, 200});
  TBitmap sketch;
  RenderSketch(gray, 9.0f, 0x80FF0000u, sketch);
  EXPECT_EQ(PixelsOf(sketch), (std::vector<TAlphaColor>{0x80FF0000u, W}));
}

TEST(RenderSketchTest, PureRedAndBlueGiveAWhiteSketch) {
  TBitmap source(2, 2), sketch;
  TGrayPlane plane;
  const TAlphaColor pixels[] = {0xFFFF0000u, 0xFF0000FFu, 0xFF0000FFu, 0xFFFF0000u};
  std::copy(std::begin(pixels), std::end(pixels), source.Pixels());
  MakeGray(source, plane);
  RenderSketch(plane, 3.0f, claBlack, sketch);
  EXPECT_EQ(PixelsOf(sketch), (std::vector<TAlphaColor>{W, W, W, W}));
}

TEST(RenderSketchTest, EmptyGreyGivesEmptySketch) {
  TGrayPlane gray;
  TBitmap sketch(4, 4);
  RenderSketch(gray, 9.0f, claBlack, sketch);
  EXPECT_TRUE(sketch.IsEmpty());
}

TEST(PaintingDifferenceTest, IsTheSmallestWholeDifferenceAboveTheThreshold) {
  EXPECT_EQ(PaintingDifference(9.0f), 10);
  EXPECT_EQ(PaintingDifference(9.6f), 10);
  EXPECT_EQ(PaintingDifference(3.0f), 4);
  EXPECT_EQ(PaintingDifference(-1.0f), 0);
  EXPECT_EQ(PaintingDifference(255.0f), 256);
}

// The fast passes against the per-pixel reference, on sizes that exercise vector tails and the
// one-pixel edges, random thresholds included.
struct PictureSize {
  int width, height;
};

void PrintTo(const PictureSize& size, std::ostream* out) { *out << size.width << "x" << size.height; }

class MatchesReferenceTest : public testing::TestWithParam<PictureSize> {};

TEST_P(MatchesReferenceTest, OnRandomAndLowContrastImages) {
  const auto [width, height] = GetParam();
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    TBitmap noisy = RandomImage(width, height, seed);
    ExpectSameAsReference(noisy, 200.5f, claBlack);
    // Greens within 0..31 put the differences around every threshold the controls allow.
    TBitmap lowContrast = RandomImage(width, height, seed + 100);
    for (std::size_t i = 0; i < lowContrast.PixelCount(); ++i) lowContrast.Pixels()[i] &= 0xFFFF1FFFu;
    for (const float threshold : {3.0f, 9.0f, 9.4f, 12.5f, 19.99f, 30.0f, 33.0f})
      ExpectSameAsReference(lowContrast, threshold, 0x7F123456u);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, MatchesReferenceTest,
                         testing::Values(PictureSize{1, 1}, PictureSize{1, 37}, PictureSize{37, 1}, PictureSize{2, 2},
                                         PictureSize{17, 9}, PictureSize{64, 3}, PictureSize{131, 67}),
                         [](const testing::TestParamInfo<PictureSize>& param) {
                           return CaseName(param.param.width) + "x" + CaseName(param.param.height);
                         });

// Outputs of 16 MiB and more are written with streaming stores, past the caches.
TEST(MatchesReferenceTest, OnAPictureLargeEnoughToBeStreamed) {
  TBitmap source = RandomImage(2053, 2049, 11);
  for (std::size_t i = 0; i < source.PixelCount(); ++i) source.Pixels()[i] &= 0xFFFF1FFFu;
  ExpectSameAsReference(source, 9.0f, claBlack);
}

// The window draws only the part on screen: any rectangle, on every instruction set, must be
// the same pixels as that rectangle of the whole sketch, at the picture's last row and column too.
TEST(RenderSketchPartTest, EveryRectangleIsThatPartOfTheWholeSketch) {
  TGrayPlane gray;
  MakeGray(RandomImage(203, 71, 11), gray);
  TBitmap whole;
  RenderSketch(gray, 40.0f, 0x80123456u, whole);
  struct Rect {
    int left, top, width, height;
  };
  const Rect rects[] = {{0, 0, 203, 71}, {1, 1, 202, 70}, {37, 5, 100, 20}, {150, 60, 53, 11},
                        {202, 0, 1, 71}, {0, 70, 203, 1}, {63, 31, 1, 1},   {5, 2, 129, 64}};
  for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    const PinnedTarget pinned(target);
    for (const Rect& r : rects) {
      TBitmap part(r.width, r.height);
      RenderSketchPart(gray, 40.0f, 0x80123456u, r.left, r.top, part);
      // The same rectangle inside a wider picture, as in a window's image: its surroundings stay.
      constexpr int kMargin = 3;
      constexpr TAlphaColor kUntouched = 0x00ABCDEFu;
      const std::ptrdiff_t stride = r.width + 2 * kMargin + 1;
      std::vector<TAlphaColor> window(static_cast<std::size_t>(stride) * (r.height + 2 * kMargin), kUntouched);
      RenderSketchPart(gray, 40.0f, 0x80123456u, r.left, r.top,
                       TPixelRows{window.data() + kMargin * stride + kMargin, r.width, r.height, stride});
      for (int y = 0; y < r.height + 2 * kMargin; ++y)
        for (int x = 0; x < stride; ++x) {
          const TAlphaColor inWindow = window[static_cast<std::size_t>(y * stride + x)];
          const bool inside = x >= kMargin && x < kMargin + r.width && y >= kMargin && y < kMargin + r.height;
          ASSERT_EQ(inWindow, inside ? whole.ScanLine(r.top + y - kMargin)[r.left + x - kMargin] : kUntouched)
              << "in the window at " << x << ", " << y << " on " << hwy::TargetName(target);
        }
      for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x)
          ASSERT_EQ(part.ScanLine(y)[x], whole.ScanLine(r.top + y)[r.left + x])
              << r.left + x << ", " << r.top + y << " on " << hwy::TargetName(target);
    }
  }
}

}  // namespace
}  // namespace tracella
