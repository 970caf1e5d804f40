#include "SketchPasses.h"

#include <algorithm>
#include <cmath>

namespace tracella {

namespace {

// The loops below are written so that the compiler vectorises them; the AVX2 clone is picked
// at load time where the processor has it.
#define TRACELLA_VECTOR_CLONES [[gnu::target_clones("avx2", "default")]]

inline int GreyOf(TAlphaColor pixel) { return static_cast<int>((pixel >> 8) & 0xFFu); }

inline int Difference(int a, int b) { return a > b ? a - b : b - a; }

TRACELLA_VECTOR_CLONES
void GrayRow(const TAlphaColor* source, TAlphaColor* gray, int width) {
  for (int x = 0; x < width; ++x) gray[x] = 0xFF000000u | static_cast<TAlphaColor>(GreyOf(source[x])) * 0x010101u;
}

// Every row but the last: right and lower neighbours; its last column has only the lower one.
TRACELLA_VECTOR_CLONES
void SketchRow(const TAlphaColor* row, const TAlphaColor* below, TAlphaColor* out, int width, int paint,
               TAlphaColor line) {
  const int last = width - 1;
  for (int x = 0; x < last; ++x) {
    const int g = GreyOf(row[x]);
    const int steeper = std::max(Difference(g, GreyOf(row[x + 1])), Difference(g, GreyOf(below[x])));
    out[x] = steeper >= paint ? line : claWhite;
  }
  out[last] = Difference(GreyOf(row[last]), GreyOf(below[last])) >= paint ? line : claWhite;
}

// The last row: right neighbours only; its last pixel has none.
TRACELLA_VECTOR_CLONES
void SketchLastRow(const TAlphaColor* row, TAlphaColor* out, int width, int paint, TAlphaColor line) {
  const int last = width - 1;
  for (int x = 0; x < last; ++x) out[x] = Difference(GreyOf(row[x]), GreyOf(row[x + 1])) >= paint ? line : claWhite;
  out[last] = claWhite;
}

}  // namespace

int PaintingDifference(float threshold) {
  if (std::isnan(threshold) || threshold >= 255.0f) return 256;
  if (threshold < 0.0f) return 0;
  return static_cast<int>(std::floor(threshold)) + 1;
}

void MakeGray(const TBitmap& source, TBitmap& gray) {
  gray.SetWidth(source.Width());
  gray.SetHeight(source.Height());
  for (int y = 0; y < source.Height(); ++y) GrayRow(source.ScanLine(y), gray.ScanLine(y), source.Width());
}

void RenderSketch(const TBitmap& gray, float threshold, TAlphaColor line, TBitmap& sketch) {
  sketch.SetWidth(gray.Width());
  sketch.SetHeight(gray.Height());
  if (sketch.IsEmpty()) return;
  const int paint = PaintingDifference(threshold);
  const int last = gray.Height() - 1;
  for (int y = 0; y < last; ++y) SketchRow(gray.ScanLine(y), gray.ScanLine(y + 1), sketch.ScanLine(y), gray.Width(), paint, line);
  SketchLastRow(gray.ScanLine(last), sketch.ScanLine(last), gray.Width(), paint, line);
}

}  // namespace tracella
