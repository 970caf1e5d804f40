#pragma once

#include <QByteArray>

#include "Bitmap.h"
#include "Decoded.h"
#include "EarlyRows.h"
#include "GrayPlane.h"

namespace tracella {

// True when the bytes begin with a JPEG start-of-image marker.
bool IsJpeg(const QByteArray& bytes);

// Decodes a JPEG picture with libjpeg-turbo straight into the bitmap's memory as opaque BGRA,
// upright by its EXIF orientation and fitted within MaxBitmapSize (libjpeg's own scaling first,
// area averaging the rest of the way). Refused when a pixel could not be decoded as stored: any
// complaint about the data before the last row is a refusal, while a file that lacks only its end
// marker is whole. Grey, YCbCr, RGB, CMYK and YCCK pictures are read; 12-bit ones are not.
TDecoded<TBitmap> DecodeJpeg(const QByteArray& bytes);

// The same picture's grey (its green channel, one byte a pixel), decoded row by row: the picture
// itself is never held, only one row of it. Decoded in two parts, an upright picture shows its top
// rows early when asked.
TDecoded<TGrayPlane> DecodeJpegGray(const QByteArray& bytes, const TEarlyRows& early = {});

}  // namespace tracella
