#pragma once

#include <QByteArray>

#include "Bitmap.h"
#include "Decoded.h"

namespace tracella {

// Decodes the first picture of a BMP or ICO file, recognised from its content, with Qt's
// readers, fitted within MaxBitmapSize by area averaging. Refused when the content is
// damaged or cut short, or claims more pixels than the budget.
TDecoded<TBitmap> DecodeWithQt(const QByteArray& bytes);

// True when the content starts as a BMP or ICO file does.
bool IsLeftToQt(const QByteArray& bytes);

}  // namespace tracella
