#pragma once

#include <QByteArray>

#include "Bitmap.h"
#include "Decoded.h"
#include "GrayPlane.h"

namespace tracella {

// True for an uncompressed 16-, 24- or 32-bit BMP whose pixels are laid out by bit-field masks
// or whose header is the 52- or 56-byte kind: Qt's reader refuses those headers and scales masks
// wider than 8 bits to black.
bool IsBitFieldBmp(const QByteArray& bytes);

// Decodes such a BMP into premultiplied BGRA fitted within MaxBitmapSize; refused when its
// masks overlap, leave gaps or the file ends before its last row.
TDecoded<TBitmap> DecodeBitFieldBmp(const QByteArray& bytes);
TDecoded<TGrayPlane> DecodeBitFieldBmpGray(const QByteArray& bytes);  // its grey, row by row

// True for an RLE8 or RLE4 compressed BMP.
bool IsRleBmp(const QByteArray& bytes);

// Decodes such a BMP a row at a time into opaque BGRA fitted within MaxBitmapSize, so that a
// large picture never exists at its own size; pixels its runs and jumps leave out take palette
// entry 0. Refused when a run or jump leaves the picture or the stream ends before it does.
TDecoded<TBitmap> DecodeRleBmp(const QByteArray& bytes);
TDecoded<TGrayPlane> DecodeRleBmpGray(const QByteArray& bytes);  // its grey, row by row

}  // namespace tracella
