#pragma once

#include "AlphaColor.h"
#include "Bitmap.h"

namespace tracella::reference {

// The sketch passes written pixel by pixel through Map/GetPixel/SetPixel, the plain way; the fast
// passes must match them bit for bit.
void MakeGray(TBitmap& source, TBitmap& gray);
void RenderSketch(TBitmap& gray, float threshold, TAlphaColor line, TBitmap& sketch);

}  // namespace tracella::reference
