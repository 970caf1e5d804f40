#pragma once

#include <QImage>

#include "Bitmap.h"

namespace tracella {

// Where Qt's images and our bitmaps meet; the pixel format is converted here and nowhere else.

// The picture as premultiplied BGRA (QImage's premultiplied ARGB32 is exactly that in memory).
TBitmap ToBitmap(QImage image);

// The same, fitted within MaxBitmapSize by area averaging when it is larger. The image is
// converted a band of rows at a time, never whole.
TBitmap FittedBitmap(const QImage& image);

// The bitmap's own pixels seen as a QImage of `format` (a 32-bit one), without a copy; the first
// writes into the bitmap.
QImage ImageOver(TBitmap& bitmap, QImage::Format format);
QImage ImageOver(const TBitmap& bitmap, QImage::Format format);

}  // namespace tracella
