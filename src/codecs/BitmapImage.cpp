#include "BitmapImage.h"

#include <cstring>

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

QImage ImageOver(TBitmap& bitmap, QImage::Format format) {
  return QImage(reinterpret_cast<uchar*>(bitmap.Pixels()), bitmap.Width(), bitmap.Height(), RowBytes(bitmap), format);
}

QImage ImageOver(const TBitmap& bitmap, QImage::Format format) {
  return QImage(reinterpret_cast<const uchar*>(bitmap.Pixels()), bitmap.Width(), bitmap.Height(), RowBytes(bitmap),
                format);
}

}  // namespace tracella
