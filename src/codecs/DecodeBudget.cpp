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

std::optional<TRefusal> SizeRefusal(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0)
    return TRefusal{TRefusalKind::Damaged, QStringLiteral("%1 x %2 holds no pixels").arg(width).arg(height)};
  if (width > MaxDecodePixels / height)  // width * height > MaxDecodePixels, which could overflow
    return TRefusal{TRefusalKind::BeyondBudget,
                    QStringLiteral("%1 x %2 is beyond the decoding budget").arg(width).arg(height)};
  return std::nullopt;
}

}  // namespace tracella
