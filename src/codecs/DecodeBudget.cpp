#include "DecodeBudget.h"

#include <algorithm>

#include "Bitmap.h"

namespace tracella {
namespace {

// `side` scaled by MaxBitmapSize / longest, rounded, and never below one pixel.
int ScaledSide(std::int64_t side, std::int64_t longest) {
  return static_cast<int>(std::max<std::int64_t>(1, (side * MaxBitmapSize + longest / 2) / longest));
}

}  // namespace

QSize FittedSize(QSize size) {
  const std::int64_t longest = std::max(size.width(), size.height());
  if (longest <= MaxBitmapSize) return size;
  return {ScaledSide(size.width(), longest), ScaledSide(size.height(), longest)};
}

std::int64_t JpegDecodePixels(QSize size, QSize fitted) {
  const int denominator = std::max(1, std::min(size.width() / fitted.width(), size.height() / fitted.height()));
  const int eighths = (8 + denominator - 1) / denominator;  // the smallest M with M/8 >= 1/denominator
  const auto reduced = [eighths](int side) { return (std::int64_t{side} * eighths + 7) / 8; };
  return reduced(size.width()) * reduced(size.height());
}

}  // namespace tracella
