#include "SketchImage.h"

#include <algorithm>

#include "SketchPasses.h"

namespace tracella {

void TSketchImage::Set(float threshold, TAlphaColor line) {
  threshold_ = threshold;
  line_ = line;
}

void TSketchImage::DrawPart(int left, int top, TBitmap& part) const {
  left = std::clamp(left, 0, Width());
  top = std::clamp(top, 0, Height());
  part.SetSize(std::min(part.Width(), Width() - left), std::min(part.Height(), Height() - top));
  RenderSketchPart(*gray_, threshold_, line_, left, top, part);
}

void TSketchImage::Draw(TBitmap& whole) const { RenderSketch(*gray_, threshold_, line_, whole); }

}  // namespace tracella
