#pragma once

#include <QByteArray>

#include "Bitmap.h"
#include "Decoded.h"
#include "GrayPlane.h"

namespace tracella {

// True when the bytes begin with a GIF signature (GIF87a or GIF89a).
bool IsGif(const QByteArray& bytes);

// Decodes a GIF's first picture with giflib, a row at a time, into premultiplied BGRA: the frame
// painted on the logical screen (grown to hold it), the rest of the screen in the background
// colour, or transparent when the frame has a transparent colour or the file no global colour
// table. Fitted within MaxBitmapSize by area averaging as the rows arrive, so that a large picture
// never exists at its own size; an interlaced one keeps its colour indices while its passes
// arrive and is refused when they alone would take more than twice its fitted bitmap. Refused
// when the picture's codes end, break off or leave pixels out, found by decoding them once before
// any pixel memory is taken (twice the decoding time, no memory for a refused file).
TDecoded<TBitmap> DecodeGif(const QByteArray& bytes);

// The same picture's grey (the green channel of its premultiplied pixels), its rows going
// straight into it: the picture itself is never held.
TDecoded<TGrayPlane> DecodeGifGray(const QByteArray& bytes);

}  // namespace tracella
