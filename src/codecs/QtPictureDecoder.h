#pragma once

#include <QByteArray>
#include <optional>

#include "Bitmap.h"

namespace tracella {

// Decodes the first picture of a BMP or ICO file, recognised from its content, with Qt's
// readers, fitted within MaxBitmapSize by area averaging. Nothing when the content is another
// format, is damaged or cut short, or claims more pixels than the budget.
std::optional<TBitmap> DecodeWithQt(const QByteArray& bytes);

// True when the content starts as a BMP or ICO file does.
bool IsLeftToQt(const QByteArray& bytes);

}  // namespace tracella
