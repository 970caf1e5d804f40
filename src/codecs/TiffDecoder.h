#pragma once

#include <QByteArray>

#include "Bitmap.h"
#include "Decoded.h"
#include "GrayPlane.h"

namespace tracella {

// True when the bytes begin with a TIFF header, either byte order.
bool IsTiff(const QByteArray& bytes);

// Decodes the first page of a TIFF file with libtiff's RGBA reader, a band of strips or tiles at
// a time, into premultiplied BGRA, upright by its orientation tag and fitted within
// MaxBitmapSize by area averaging as the bands arrive: a large or 16-bit picture never exists at
// its own size. Refused when a strip or tile cannot be read whole, or libtiff cannot convert it.
TDecoded<TBitmap> DecodeTiff(const QByteArray& bytes);

// The same picture's grey (the green channel of its premultiplied pixels), its rows going
// straight into it: the picture itself is never held.
TDecoded<TGrayPlane> DecodeTiffGray(const QByteArray& bytes);

}  // namespace tracella
