#pragma once

#include "Bitmap.h"
#include "GrayPlane.h"

namespace tracella {

// The photograph: its size always, and from a load until MakeGray has taken its greys either its
// pixels or, decoded straight to them, its greys. Nothing reads either after that, so they are
// not kept: the grey plane is the picture from then on.
class TSourceImage {
 public:
  int Width() const { return width_; }
  int Height() const { return height_; }

  void Assign(const TBitmap& picture);  // shares the picture's pixels
  void Take(TBitmap&& picture);
  void TakeGreys(TGrayPlane&& greys);

  const TBitmap& Pixels() const { return pixels_; }  // empty unless given pixels
  TGrayPlane HandOverGreys();                        // empty unless given greys
  void Release();
  bool Released() const { return pixels_.IsEmpty() && greys_.IsEmpty() && width_ > 0 && height_ > 0; }

 private:
  TBitmap pixels_;
  TGrayPlane greys_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace tracella
