#pragma once

#include "AlphaColor.h"
#include "Bitmap.h"

namespace tracella {

// The instruction sets the passes are compiled for, narrowest first. The passes use the widest the
// processor has, or a narrower one when asked (so that every copy can be checked on one machine).
enum class VectorSet { Baseline, Avx2, Avx512 };
VectorSet WidestVectorSet();

// Grey from the green channel: each pixel becomes opaque grey g, g, g. Resizes gray to source.
void MakeGray(const TBitmap& source, TBitmap& gray, VectorSet widest = VectorSet::Avx512);

// Paints `line` (stored as given, alpha included) on opaque white wherever a pixel's grey differs
// from its right or lower neighbour's by more than `threshold`; everything else is white.
// Resizes sketch to gray.
void RenderSketch(const TBitmap& gray, float threshold, TAlphaColor line, TBitmap& sketch,
                  VectorSet widest = VectorSet::Avx512);

// The smallest whole difference that is more than `threshold`: differences are whole numbers,
// so d > threshold exactly when d >= PaintingDifference(threshold). 256 means nothing paints.
int PaintingDifference(float threshold);

}  // namespace tracella
