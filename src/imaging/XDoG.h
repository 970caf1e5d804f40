#pragma once

#include "Bitmap.h"
#include "GrayPlane.h"

namespace tracella {

// The extended difference of Gaussians: D = (1 + p) G(sigma) - p G(1.6 sigma) of the luminance
// (0 black to 1 white), then a pixel is line where D < epsilon. Soft, a pixel at or above epsilon
// stays paper and one below it gets 1 + tanh(phi (D - epsilon)) of the paper's tone.
struct XDoGSettings {
  float sigma = 1;       // pixels
  float sharpness = 40;  // p
  float epsilon = -0.05f;
  float phi = 0;  // 0: hard lines
};

// The sigma that draws a picture of this size as DefaultXDoGSigmaAt1MP draws one of a megapixel:
// it grows with the picture's linear size, so the drawing does not change when a picture is enlarged.
inline constexpr float DefaultXDoGSigmaAt1MP = 0.8f;
float RelativeXDoGSigma(int width, int height, float sigmaAt1MP = DefaultXDoGSigmaAt1MP);

// The smallest and largest sigma the recursive Gaussians are accurate for.
inline constexpr float MinXDoGSigma = 0.5f;
inline constexpr float MaxXDoGSigma = 100;

// Writes into `tone` (resized to `source`) each pixel's share of paper: 0 full line, 255 paper.
// The luminance is Rec. 601's, of all three channels of `source`'s pixels (alpha ignored). The
// Gaussians are recursive filters, so their cost does not grow with sigma.
void DrawXDoG(const TBitmap& source, const XDoGSettings& settings, TGrayPlane& tone);

}  // namespace tracella
