#pragma once

#include <QString>
#include <functional>

#include "AlphaColor.h"
#include "Bitmap.h"
#include "EarlyRows.h"
#include "GrayPlane.h"
#include "SketchImage.h"
#include "SourceImage.h"

namespace tracella {

// A photograph's way to its line drawing: load, grey, (smooth,) render. The window and the sketch
// command each keep one and say when each step runs; it knows nothing of either, nor of where the
// threshold and the colour come from.
class SketchPipeline {
 public:
  SketchPipeline() = default;
  SketchPipeline(const SketchPipeline&) = delete;  // SketchImage reads this pipeline's GrayImage
  SketchPipeline& operator=(const SketchPipeline&) = delete;

  // The photograph, its greys (one byte a pixel) and the line drawing, each the photograph's size
  // once the steps after a load have run. The drawing's pixels are made when they are asked for.
  TSourceImage SourceImage;
  TGrayPlane GrayImage;
  TSketchImage SketchImage{GrayImage};

  // Called after each rendering with the threshold it used.
  std::function<void(float threshold)> OnRendered;

  // Decodes the picture file into SourceImage, straight to its greys, which MakeGray then takes;
  // SourceImage changes only on success (see LoadGrayFromFile), whatever `early` was shown.
  void Load(const QString& path, const TEarlyRows& early = {});

  // GrayImage from SourceImage's green channel; SourceImage lets go of its pixels.
  void MakeGray();

  // Smooths GrayImage with a Gaussian of `sigma` pixels; 0 leaves it.
  void BlurGray(float sigma);

  // SketchImage from GrayImage: `line` wherever neighbouring greys differ by more than `threshold`,
  // white elsewhere.
  void RenderSketch(float threshold, TAlphaColor line);
};

}  // namespace tracella
