#pragma once

#include <QByteArray>

#include "Bitmap.h"
#include "Decoded.h"

namespace tracella {

// True when the bytes begin with the JPEG XR container's signature.
bool IsJpegXr(const QByteArray& bytes);

// Decodes a JPEG XR picture fitted within MaxBitmapSize, its rows reduced as they are decoded.
// Refused when the file is damaged or cut short, its pixel format cannot be converted to 8-bit
// RGB(A), or it claims more pixels than the decode budget. libjxr runs in a program of its own
// (tracella-jxr-decode), so its crashes stay there.
TDecoded<TBitmap> DecodeJpegXr(const QByteArray& bytes);

}  // namespace tracella
