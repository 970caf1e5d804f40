#include "SketchPipeline.h"

#include <utility>

#include "BlurGray.h"
#include "PictureFiles.h"
#include "SketchPasses.h"

namespace tracella {

void SketchPipeline::Load(const QString& path) {
  TBitmap picture;
  LoadFromFile(picture, path);
  SourceImage.Take(std::move(picture));
}

void SketchPipeline::MakeGray() {
  if (SourceImage.Released()) return;  // GrayImage holds this picture's greys already
  tracella::MakeGray(SourceImage.Pixels(), GrayImage);
  SourceImage.ReleasePixels();
}

void SketchPipeline::BlurGray(float sigma) { tracella::BlurGray(GrayImage, sigma); }

void SketchPipeline::RenderSketch(float threshold, TAlphaColor line) {
  SketchImage.Set(threshold, line);
  if (OnRendered) OnRendered(threshold);
}

}  // namespace tracella
