#pragma once

#include <QSize>
#include <algorithm>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "AreaReduction.h"
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

// A decoder's rows at the picture's own size, from the top, handed to a sink at the fitted size:
// straight into the sink's memory where it has some and nothing is to be fitted, else through
// one row of its own.
class TFittedRows {
 public:
  TFittedRows(QSize size, QSize fitted, RowSink sink)
      : sink_(std::move(sink)),
        width_(size.width()),
        inPlace_(size == fitted && sink_.place),
        row_(inPlace_ ? 0 : static_cast<std::size_t>(width_)) {
    if (size != fitted) reduction_.emplace(size.width(), size.height(), fitted.width(), fitted.height(), sink_.put);
  }

  // Memory to decode row y into.
  TAlphaColor* Row(int y) { return inPlace_ ? sink_.place(y) : row_.data(); }

  // Row y, decoded into Row(y), is done; it stands for rows y to y + count - 1, all alike.
  void Done(int y, int count = 1) {
    const TAlphaColor* row = Row(y);
    if (reduction_) return reduction_->AddRows(row, count);
    for (int i = 0; i < count; ++i) {
      if (!inPlace_)
        sink_.put(y + i, row);
      else if (i > 0)
        std::copy_n(row, width_, sink_.place(y + i));
    }
  }

 private:
  RowSink sink_;
  int width_;
  bool inPlace_;
  std::vector<TAlphaColor> row_;
  std::optional<TAreaReduction> reduction_;
};

}  // namespace tracella
