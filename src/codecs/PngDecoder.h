#pragma once

#include <QByteArray>

#include "Bitmap.h"
#include "Decoded.h"
#include "GrayPlane.h"

namespace tracella {

// True when the bytes begin with the PNG signature.
bool IsPng(const QByteArray& bytes);

// Decodes a PNG picture with libpng a row at a time into premultiplied BGRA, fitted within
// MaxBitmapSize by area averaging as the rows arrive, so that a large or 16-bit picture never
// exists at its own size (an interlaced one is gathered pass by pass at the fitted size). Refused
// when a row cannot be decoded; the chunks after the picture's data, the end chunk among them,
// are not needed.
TDecoded<TBitmap> DecodePng(const QByteArray& bytes);

// The same picture's grey (the green channel of its premultiplied pixels): a plain picture's rows
// go straight into it, so the picture itself is never held, only one row of it.
TDecoded<TGrayPlane> DecodePngGray(const QByteArray& bytes);

}  // namespace tracella
