#pragma once

#include <QSize>
#include <algorithm>
#include <functional>

#include "Bitmap.h"
#include "GrayPlane.h"
#include "SketchPasses.h"

namespace tracella {

// Where a decoder's rows go, at the fitted size, from the top, as stored (not yet upright).
struct RowSink {
  // Memory to decode row y into, or null to hand the row to `put` instead.
  std::function<TAlphaColor*(int y)> place;
  std::function<void(int y, const TAlphaColor* row)> put;
};

// Rows into `bitmap`, made `size` first.
inline RowSink IntoBitmap(TBitmap& bitmap, QSize size) {
  bitmap.SetSize(size.width(), size.height());
  return {[&bitmap](int y) { return bitmap.ScanLine(y); },
          [&bitmap](int y, const TAlphaColor* row) { std::copy_n(row, bitmap.Width(), bitmap.ScanLine(y)); }};
}

// Rows into their grey, `size` large: the picture itself is never held, only a row of it.
inline RowSink IntoGray(TGrayPlane& gray, QSize size) {
  gray.SetSize(size.width(), size.height());
  return {nullptr, [&gray](int y, const TAlphaColor* row) { MakeGrayRow(row, gray.Width(), gray.Row(y)); }};
}

}  // namespace tracella
