#pragma once

#include "Bitmap.h"

namespace tracella {

// The photograph: its size always, its pixels only from a load until MakeGray has taken their
// greys. Nothing reads them after that, so they are not kept: the grey plane is the picture.
class TSourceImage {
 public:
  int Width() const { return width_; }
  int Height() const { return height_; }

  void Assign(const TBitmap& picture);  // shares the picture's pixels
  void Take(TBitmap&& picture);

  const TBitmap& Pixels() const { return pixels_; }  // empty once released
  void ReleasePixels() { pixels_ = TBitmap(); }
  bool Released() const { return pixels_.IsEmpty() && width_ > 0 && height_ > 0; }

 private:
  TBitmap pixels_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace tracella
