#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "RandomImage.h"
#include "SketchPipeline.h"

namespace tracella {
namespace {

std::vector<std::uint8_t> PlaneBytes(const TGrayPlane& plane) {
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < plane.Height(); ++y) bytes.insert(bytes.end(), plane.Row(y), plane.Row(y) + plane.Width());
  return bytes;
}

void ExpectPlaneInStepWithGrey(const SketchPipeline& pipeline) {
  ASSERT_EQ(pipeline.GrayPlane.Width(), pipeline.GrayImage.Width());
  ASSERT_EQ(pipeline.GrayPlane.Height(), pipeline.GrayImage.Height());
  for (int y = 0; y < pipeline.GrayImage.Height(); ++y)
    for (int x = 0; x < pipeline.GrayImage.Width(); ++x)
      ASSERT_EQ(pipeline.GrayPlane.Row(y)[x], GreenOf(pipeline.GrayImage.ScanLine(y)[x])) << x << ", " << y;
}

// The edge pass reads the plane, so a blur that left the plane behind would draw the unsmoothed
// picture.
TEST(SketchPipelineTest, BlurSmoothsTheGreyAndThePlaneTheEdgePassReads) {
  SketchPipeline pipeline;
  pipeline.SourceImage = RandomImage(64, 48, 7);
  pipeline.MakeGray();
  const std::vector<std::uint8_t> sharp = PlaneBytes(pipeline.GrayPlane);

  pipeline.BlurGray(0);
  EXPECT_EQ(PlaneBytes(pipeline.GrayPlane), sharp);
  ExpectPlaneInStepWithGrey(pipeline);

  pipeline.BlurGray(2);
  EXPECT_NE(PlaneBytes(pipeline.GrayPlane), sharp);
  ExpectPlaneInStepWithGrey(pipeline);
}

TEST(SketchPipelineTest, EachRenderingIsReportedOnceDoneWithItsThreshold) {
  SketchPipeline pipeline;
  pipeline.SourceImage = RandomImage(5, 4, 1);
  pipeline.MakeGray();
  std::vector<float> reported;
  pipeline.OnRendered = [&](float threshold) {
    EXPECT_EQ(pipeline.SketchImage.Width(), 5);  // the sketch is drawn by then
    reported.push_back(threshold);
  };
  pipeline.RenderSketch(12.5f, claBlack);
  pipeline.RenderSketch(3.0f, claBlack);
  EXPECT_EQ(reported, (std::vector<float>{12.5f, 3.0f}));
}

}  // namespace
}  // namespace tracella
