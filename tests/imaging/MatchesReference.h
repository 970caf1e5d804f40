#pragma once

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <vector>

#include "PinnedTarget.h"
#include "SketchPasses.h"
#include "SketchReference.h"

namespace tracella {

inline std::vector<TAlphaColor> PixelsOf(const TBitmap& image) {
  return {image.Pixels(), image.Pixels() + image.PixelCount()};
}

// The passes on every instruction set this processor runs, each against the per-pixel reference:
// the grey plane (the greens of the reference's grey image) and the sketch, bit for bit.
inline void ExpectSameAsReference(TBitmap& source, float threshold, TAlphaColor line) {
  TBitmap referenceGray, referenceSketch;
  reference::MakeGray(source, referenceGray);
  reference::RenderSketch(referenceGray, threshold, line, referenceSketch);
  std::vector<std::uint8_t> referencePlane;
  for (const TAlphaColor pixel : PixelsOf(referenceGray)) referencePlane.push_back(GreenOf(pixel));
  for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    const PinnedTarget pinned(target);
    TBitmap sketch;
    TGrayPlane plane;
    MakeGray(source, plane);
    RenderSketch(plane, threshold, line, sketch);
    ASSERT_STREQ(SketchPassesTarget(), hwy::TargetName(target));
    std::vector<std::uint8_t> planeBytes;
    for (int y = 0; y < plane.Height(); ++y)
      planeBytes.insert(planeBytes.end(), plane.Row(y), plane.Row(y) + plane.Width());
    ASSERT_EQ(planeBytes, referencePlane) << hwy::TargetName(target);
    ASSERT_EQ(PixelsOf(sketch), PixelsOf(referenceSketch))
        << "threshold " << threshold << ", " << hwy::TargetName(target);
  }
}

}  // namespace tracella
