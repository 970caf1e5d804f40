#include "BitmapImage.h"

#include <algorithm>
#include <cstring>

#include "AreaReduction.h"
#include "DecodeBudget.h"

namespace tracella {
namespace {

qsizetype RowBytes(const TBitmap& bitmap) { return static_cast<qsizetype>(bitmap.Width()) * 4; }

}  // namespace

TBitmap ToBitmap(QImage image) {
  image.convertTo(QImage::Format_ARGB32_Premultiplied);
  TBitmap bitmap(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(bitmap.ScanLine(y), image.constScanLine(y), static_cast<std::size_t>(RowBytes(bitmap)));
  return bitmap;
}

TBitmap FittedBitmap(const QImage& image) {
  const QSize fitted = FittedSize(image.size());
  if (fitted == image.size()) return ToBitmap(image);
  TBitmap bitmap(fitted.width(), fitted.height());
  TAreaReduction reduction(image.width(), image.height(), bitmap);
  constexpr int bandRows = 64;
  for (int top = 0; top < image.height(); top += bandRows) {
    const QImage band = image.copy(0, top, image.width(), std::min(bandRows, image.height() - top))
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < band.height(); ++y)
      reduction.AddRow(reinterpret_cast<const TAlphaColor*>(band.constScanLine(y)));
  }
  return bitmap;
}

QImage ImageOver(TBitmap& bitmap, QImage::Format format) {
  return QImage(reinterpret_cast<uchar*>(bitmap.Pixels()), bitmap.Width(), bitmap.Height(), RowBytes(bitmap), format);
}

QImage ImageOver(const TBitmap& bitmap, QImage::Format format) {
  return QImage(reinterpret_cast<const uchar*>(bitmap.Pixels()), bitmap.Width(), bitmap.Height(), RowBytes(bitmap),
                format);
}

}  // namespace tracella
