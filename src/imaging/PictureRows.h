#pragma once

#include <functional>

#include "AlphaColor.h"
#include "Bitmap.h"

namespace tracella {

// A picture handed over row by row, from the top, for an encoder: Row(y) gives row y's Width
// pixels (BGRA, as a bitmap stores them), valid until the next call. Nothing needs the picture
// whole.
struct TPictureRows {
  int Width = 0;
  int Height = 0;
  std::function<const TAlphaColor*(int y)> Row;
};

// The rows of a whole bitmap, which outlives them.
inline TPictureRows RowsOf(const TBitmap& bitmap) {
  return {bitmap.Width(), bitmap.Height(), [&bitmap](int y) { return bitmap.ScanLine(y); }};
}

}  // namespace tracella
