#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "PinnedTarget.h"
#include "XDoG.h"

namespace tracella {
namespace {

TBitmap Drawn(int width, int height, const std::function<TAlphaColor(double u, double v)>& colorAt) {
  TBitmap picture;
  picture.SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.ScanLine(y)[x] = colorAt((x + 0.5) / width, (y + 0.5) / height);
  return picture;
}

double PaintedShare(const TGrayPlane& tone) {
  double painted = 0;
  for (int y = 0; y < tone.Height(); ++y)
    for (int x = 0; x < tone.Width(); ++x) painted += 1 - tone.Row(y)[x] / 255.0;
  return painted / (static_cast<double>(tone.Width()) * tone.Height());
}

// Every instruction set draws the edges of a coloured square on black, whichever channel carries
// it, and leaves the flat black and the flat colour unpainted.
TEST(XDoGTest, EdgesOfEachChannelOnBlack) {
  for (const TAlphaColor color : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu}) {
    const TBitmap square = Drawn(
        120, 90, [&](double u, double v) { return u > 0.3 && u < 0.7 && v > 0.3 && v < 0.7 ? color : 0xFF000000u; });
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
      const PinnedTarget pinned(target);
      TGrayPlane tone;
      DrawXDoG(square, {1.0f}, tone);
      ASSERT_EQ(tone.Width(), 120);
      ASSERT_EQ(tone.Height(), 90);
      const char* name = hwy::TargetName(target);
      EXPECT_EQ(tone.Row(45)[34], 0) << std::hex << color << " left edge on " << name;
      EXPECT_EQ(tone.Row(26)[60], 0) << std::hex << color << " top edge on " << name;
      EXPECT_EQ(tone.Row(5)[5], 255) << std::hex << color << " black on " << name;
      EXPECT_EQ(tone.Row(45)[60], 255) << std::hex << color << " inside on " << name;
    }
  }
}

// Discs and bands whose soft edges scale with the picture: the same drawing, small and 4 x 4
// times as large, paints the same share when sigma grows with the picture.
TEST(XDoGTest, RelativeSigmaDrawsTheSameAtEverySize) {
  const auto scene = [](double u, double v) {
    const auto soft = [](double distance) { return std::clamp(0.5 + distance / 0.006, 0.0, 1.0); };
    double level = 0.8 - 0.5 * soft(0.2 - std::hypot(u - 0.3, v - 0.5));
    level -= 0.3 * soft(0.1 - std::hypot(u - 0.75, v - 0.3));
    level -= 0.2 * soft(0.03 - std::abs(std::fmod(u + v, 0.15) - 0.075)) * (v > 0.7);
    const auto grey = static_cast<TAlphaColor>(std::lround(level * 255));
    return 0xFF000000u | grey * 0x010101u;
  };
  const auto shareAt = [&scene](int scale) {
    const TBitmap picture = Drawn(300 * scale, 200 * scale, scene);
    TGrayPlane tone;
    DrawXDoG(picture, {RelativeXDoGSigma(picture.Width(), picture.Height(), 3)}, tone);
    return PaintedShare(tone);
  };
  const double small = shareAt(1), large = shareAt(4);
  EXPECT_GT(small, 0.01);
  EXPECT_NEAR(large / small, 1, 0.2) << small << " " << large;
}

// Hard lines are line or paper; soft ones fade, painting at least where the hard ones do; a flat
// picture of any grey is all paper.
TEST(XDoGTest, SoftTonesCoverTheHardLines) {
  const TBitmap picture = Drawn(80, 60, [](double u, double v) {
    return 0xFF000000u | static_cast<TAlphaColor>(std::lround(255 * u * u * (v < 0.5 ? 1 : 0.4))) * 0x010101u;
  });
  TGrayPlane hard, soft;
  DrawXDoG(picture, {1.5f}, hard);
  DrawXDoG(picture, {1.5f, 40, -0.05f, 10}, soft);
  int between = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 80; ++x) {
      ASSERT_TRUE(hard.Row(y)[x] == 0 || hard.Row(y)[x] == 255) << x << "," << y;
      if (hard.Row(y)[x] == 0) {
        ASSERT_LT(soft.Row(y)[x], 255) << x << "," << y;
      }
      between += soft.Row(y)[x] > 0 && soft.Row(y)[x] < 255;
    }
  }
  EXPECT_GT(between, 0);
  for (const TAlphaColor grey : {0xFF000000u, 0xFF808080u, 0xFFFFFFFFu}) {
    TGrayPlane flat;
    DrawXDoG(Drawn(33, 17, [&](double, double) { return grey; }), {2.0f}, flat);
    EXPECT_EQ(PaintedShare(flat), 0) << std::hex << grey;
  }
}

}  // namespace
}  // namespace tracella
