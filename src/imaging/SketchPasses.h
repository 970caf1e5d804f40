#pragma once

#include <cstddef>

#include "AlphaColor.h"
#include "Bitmap.h"
#include "GrayPlane.h"

namespace tracella {

// Grey from the green channel, one byte a pixel; `gray` takes the size of `source`.
void MakeGray(const TBitmap& source, TGrayPlane& gray);
// The same for one row of `width` pixels, for a picture that arrives row by row.
void MakeGrayRow(const TAlphaColor* row, int width, std::uint8_t* gray);

// Paints `line` (stored as given, alpha included) on opaque white wherever a pixel's grey differs
// from its right or lower neighbour's by more than `threshold`; everything else is white.
// Resizes sketch to gray.
void RenderSketch(const TGrayPlane& gray, float threshold, TAlphaColor line, TBitmap& sketch);

// Rows of pixels in memory that is not a TBitmap's, such as a window's image: `stride` pixels
// from the start of one row to the next.
struct TPixelRows {
  TAlphaColor* pixels;
  int width, height;
  std::ptrdiff_t stride;
  TAlphaColor* Row(int y) const { return pixels + y * stride; }
};

// The same sketch's pixels for the rectangle of `part`'s size whose top-left pixel is (left, top);
// the rectangle lies within the picture.
void RenderSketchPart(const TGrayPlane& gray, float threshold, TAlphaColor line, int left, int top, TBitmap& part);
void RenderSketchPart(const TGrayPlane& gray, float threshold, TAlphaColor line, int left, int top,
                      const TPixelRows& part);

// The smallest whole difference that is more than `threshold`: differences are whole numbers,
// so d > threshold exactly when d >= PaintingDifference(threshold). 256 means nothing paints.
int PaintingDifference(float threshold);

// The instruction set the passes run on, as the vector library names it ("AVX3", "NEON"...).
const char* SketchPassesTarget();

}  // namespace tracella
