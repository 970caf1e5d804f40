#pragma once

#include "Bitmap.h"

namespace tracella {

// The widest smoothing asked for: beyond it the lines of a photograph blur away.
inline constexpr float MaxBlurSigma = 10;

// Smooths the grey of `gray` (opaque g, g, g pixels, as MakeGray writes them) in place with a
// Gaussian of `sigma` pixels (0 to MaxBlurSigma; 0 leaves it untouched), the picture's edge
// pixels extended outwards. The pixels stay opaque greys. The arithmetic is whole numbers, so the
// result is the same on every call, thread and processor.
void BlurGray(TBitmap& gray, float sigma);

}  // namespace tracella
