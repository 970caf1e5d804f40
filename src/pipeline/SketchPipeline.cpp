#include "SketchPipeline.h"

#include <utility>

#include "BlurGray.h"
#include "PictureFiles.h"
#include "SketchPasses.h"

namespace tracella {

void SketchPipeline::Load(const QString& path, const TEarlyRows& early) {
  TGrayPlane greys;
  LoadGrayFromFile(greys, path, early);
  SourceImage.TakeGreys(std::move(greys));
}

void SketchPipeline::MakeGray() {
  if (SourceImage.Released()) return;  // GrayImage holds this picture's greys already
  if (SourceImage.Pixels().IsEmpty())
    GrayImage = SourceImage.HandOverGreys();
  else
    tracella::MakeGray(SourceImage.Pixels(), GrayImage);
  SourceImage.Release();
}

void SketchPipeline::BlurGray(float sigma) { tracella::BlurGray(GrayImage, sigma); }

void SketchPipeline::RenderSketch(float threshold, TAlphaColor line) {
  SketchImage.Set(threshold, line);
  if (OnRendered) OnRendered(threshold);
}

}  // namespace tracella
