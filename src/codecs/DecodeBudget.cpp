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

}  // namespace tracella
