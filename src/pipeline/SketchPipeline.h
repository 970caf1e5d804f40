#pragma once

#include <QString>
#include <functional>

#include "AlphaColor.h"
#include "Bitmap.h"
#include "GrayPlane.h"

namespace tracella {

// A photograph's way to its line drawing: load, grey, (smooth,) render. The window and the sketch
// command each keep one and say when each step runs; it knows nothing of either, nor of where the
// threshold and the colour come from.
class SketchPipeline {
 public:
  // The photograph, its grey version and the line drawing, each the photograph's size once the
  // steps after a load have run. GrayPlane holds GrayImage's greys one byte each, for the edge pass.
  TBitmap SourceImage, GrayImage, SketchImage;
  TGrayPlane GrayPlane;

  // Called after each rendering with the threshold it used.
  std::function<void(float threshold)> OnRendered;

  // Decodes the picture file into SourceImage, which changes only on success (see LoadFromFile).
  void Load(const QString& path);

  // GrayImage and GrayPlane from SourceImage's green channel.
  void MakeGray();

  // Smooths GrayImage with a Gaussian of `sigma` pixels and brings GrayPlane in step; 0 leaves both.
  void BlurGray(float sigma);

  // SketchImage from GrayPlane: `line` wherever neighbouring greys differ by more than `threshold`,
  // white elsewhere. Only sizing the sketch can fail, and then SketchImage is as it was.
  void RenderSketch(float threshold, TAlphaColor line);
};

}  // namespace tracella
