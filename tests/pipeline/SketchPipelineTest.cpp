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

TEST(SketchPipelineTest, BlurSmoothsTheGreyTheEdgePassReads) {
  SketchPipeline pipeline;
  pipeline.SourceImage.Take(RandomImage(64, 48, 7));
  pipeline.MakeGray();
  const std::vector<std::uint8_t> sharp = PlaneBytes(pipeline.GrayImage);

  pipeline.BlurGray(0);
  EXPECT_EQ(PlaneBytes(pipeline.GrayImage), sharp);

  pipeline.BlurGray(2);
  EXPECT_NE(PlaneBytes(pipeline.GrayImage), sharp);
}

// Nothing reads the photograph's pixels once its greys are taken: the greys are the picture from
// then on, and the photograph keeps only its size.
TEST(SketchPipelineTest, MakeGrayLetsGoOfTheSourcePixelsAndKeepsTheGreys) {
  SketchPipeline pipeline;
  const TBitmap picture = RandomImage(30, 20, 9);
  pipeline.SourceImage.Assign(picture);
  pipeline.MakeGray();
  EXPECT_TRUE(pipeline.SourceImage.Released());
  EXPECT_EQ(pipeline.SourceImage.Width(), 30);
  EXPECT_EQ(pipeline.SourceImage.Height(), 20);
  const std::vector<std::uint8_t> greys = PlaneBytes(pipeline.GrayImage);
  ASSERT_EQ(greys.size(), 600u);
  for (std::size_t i = 0; i < greys.size(); ++i) ASSERT_EQ(greys[i], GreenOf(picture.Pixels()[i])) << i;
  pipeline.MakeGray();  // again for the same picture: the greys stay
  EXPECT_EQ(PlaneBytes(pipeline.GrayImage), greys);
}

TEST(SketchPipelineTest, EachRenderingIsReportedOnceDoneWithItsThreshold) {
  SketchPipeline pipeline;
  pipeline.SourceImage.Take(RandomImage(5, 4, 1));
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
