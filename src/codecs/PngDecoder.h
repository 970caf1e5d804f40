#pragma once

#include <QByteArray>

#include "Bitmap.h"
#include "Decoded.h"

namespace tracella {

// True when the bytes begin with the PNG signature.
bool IsPng(const QByteArray& bytes);

// Decodes a PNG picture with libpng a row at a time into premultiplied BGRA, fitted within
// MaxBitmapSize by area averaging as the rows arrive, so that a large or 16-bit picture never
// exists at its own size (an interlaced one does, once, in 8 bits). Refused when a row cannot be
// decoded; the chunks after the picture's data, the end chunk among them, are not needed.
TDecoded<TBitmap> DecodePng(const QByteArray& bytes);

}  // namespace tracella
