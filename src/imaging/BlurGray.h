#pragma once

#include "GrayPlane.h"

namespace tracella {

// The widest smoothing asked for: beyond it the lines of a photograph blur away.
inline constexpr float MaxBlurSigma = 10;

// Smooths the greys in place with a Gaussian of `sigma` pixels (0 to MaxBlurSigma; 0 leaves them
// untouched), the picture's edge pixels extended outwards. The arithmetic is whole numbers, so the
// result is the same on every call, thread and processor.
void BlurGray(TGrayPlane& gray, float sigma);

}  // namespace tracella
