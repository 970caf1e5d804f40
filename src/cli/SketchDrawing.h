#pragma once

#include <QByteArray>

#include "Bitmap.h"
#include "SketchOptions.h"

namespace tracella {

// The file the options make of a photograph: its grey, smoothed when asked, its edges painted,
// encoded in the options' format. Throws EBitmapSavingFailed when it cannot be encoded.
QByteArray DrawSketchFile(const TBitmap& photo, const SketchOptions& options);

}  // namespace tracella
