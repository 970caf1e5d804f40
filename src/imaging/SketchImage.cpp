#include "SketchImage.h"

#include <algorithm>
#include <memory>
#include <utility>

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

void TSketchImage::DrawPart(int left, int top, const TPixelRows& part) const {
  left = std::clamp(left, 0, Width());
  top = std::clamp(top, 0, Height());
  RenderSketchPart(*gray_, threshold_, line_, left, top,
                   TPixelRows{part.pixels, std::min(part.width, Width() - left), std::min(part.height, Height() - top),
                              part.stride});
}

void TSketchImage::Draw(TBitmap& whole) const { RenderSketch(*gray_, threshold_, line_, whole); }

TPictureRows TSketchImage::Rows() const {
  // Enough rows to keep the vector loops busy, few enough to stay in the caches.
  constexpr int kBandRows = 16;
  auto band = std::make_shared<TBitmap>();
  return {Width(), Height(), [sketch = *this, band](int y) {
            const int row = y % kBandRows;
            if (row == 0) {
              band->SetSize(sketch.Width(), kBandRows);
              sketch.DrawPart(0, y, *band);
            }
            return std::as_const(*band).ScanLine(row);
          }};
}

}  // namespace tracella
