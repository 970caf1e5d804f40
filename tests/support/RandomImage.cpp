#include "RandomImage.h"

#include <random>

namespace tracella {

TBitmap RandomImage(int width, int height, std::uint32_t seed) {
  TBitmap image(width, height);
  std::mt19937 random(seed);
  TAlphaColor* pixel = image.Pixels();
  for (std::size_t i = 0; i < image.PixelCount(); ++i) pixel[i] = static_cast<TAlphaColor>(random());
  return image;
}

}  // namespace tracella
