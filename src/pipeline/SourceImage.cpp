#include "SourceImage.h"

#include <utility>

namespace tracella {

void TSourceImage::Assign(const TBitmap& picture) {
  pixels_.Assign(picture);
  width_ = picture.Width();
  height_ = picture.Height();
}

void TSourceImage::Take(TBitmap&& picture) {
  pixels_ = std::move(picture);
  width_ = pixels_.Width();
  height_ = pixels_.Height();
}

}  // namespace tracella
