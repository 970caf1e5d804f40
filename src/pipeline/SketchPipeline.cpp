#include "SketchPipeline.h"

#include "BlurGray.h"
#include "PictureFiles.h"
#include "SketchPasses.h"

namespace tracella {

void SketchPipeline::Load(const QString& path) { LoadFromFile(SourceImage, path); }

void SketchPipeline::MakeGray() { tracella::MakeGray(SourceImage, GrayImage, GrayPlane); }

void SketchPipeline::BlurGray(float sigma) {
  if (sigma <= 0) return;
  tracella::BlurGray(GrayImage, sigma);
  tracella::MakeGray(GrayImage, GrayImage, GrayPlane);  // a grey pixel's grey is itself
}

void SketchPipeline::RenderSketch(float threshold, TAlphaColor line) {
  tracella::RenderSketch(GrayPlane, threshold, line, SketchImage);
  if (OnRendered) OnRendered(threshold);
}

}  // namespace tracella
