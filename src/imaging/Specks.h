#pragma once

#include <cstdint>

#include "Bitmap.h"
#include "GrayPlane.h"

namespace tracella {

// Repaints as `paper` every group of at most `maxPixels` touching pixels (sides or corners) that
// are not `paper`: the specks a photograph's noise leaves. 0 leaves everything.
void DropSpecks(TBitmap& sketch, TAlphaColor paper, int maxPixels);
void DropSpecks(TGrayPlane& tone, std::uint8_t paper, int maxPixels);

}  // namespace tracella
