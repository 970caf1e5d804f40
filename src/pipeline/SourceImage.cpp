#include "SourceImage.h"

#include <utility>

namespace tracella {

void TSourceImage::Assign(const TBitmap& picture) {
  greys_ = TGrayPlane();
  pixels_.Assign(picture);
  width_ = picture.Width();
  height_ = picture.Height();
}

void TSourceImage::Take(TBitmap&& picture) {
  greys_ = TGrayPlane();
  pixels_ = std::move(picture);
  width_ = pixels_.Width();
  height_ = pixels_.Height();
}

void TSourceImage::TakeGreys(TGrayPlane&& greys) {
  pixels_ = TBitmap();
  width_ = greys.Width();
  height_ = greys.Height();
  greys_ = std::exchange(greys, TGrayPlane());
}

TGrayPlane TSourceImage::HandOverGreys() { return std::exchange(greys_, TGrayPlane()); }

void TSourceImage::Release() {
  pixels_ = TBitmap();
  greys_ = TGrayPlane();
}

}  // namespace tracella
