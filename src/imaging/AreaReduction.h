#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "Bitmap.h"

namespace tracella {

// Shrinks a picture that arrives row by row, from the top, into a smaller bitmap: every target
// pixel is the average of exactly the source area it covers, partly covered source pixels
// weighted by the part covered. Averaging premultiplied pixels is what keeps edges of transparent
// areas right. Only one source row is held at a time, so a picture never needs to exist at its
// own size.
class TAreaReduction {
 public:
  // `target` is already sized, no wider and no taller than the source.
  TAreaReduction(int sourceWidth, int sourceHeight, TBitmap& target);
  // Each target row, from the top, is handed to `emit` instead, valid during the call.
  using Emit = std::function<void(int y, const TAlphaColor* row)>;
  TAreaReduction(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight, Emit emit);

  void AddRow(const TAlphaColor* row) { AddRows(row, 1); }
  // The same row `count` times: a plain band costs one row's width and its target rows.
  void AddRows(const TAlphaColor* row, int count);

 private:
  // The source column's share of its target column, in units of 1/sourceWidth of a target
  // pixel; the rest of the column's weight goes to the next target column.
  struct ColumnShare {
    int target;
    std::uint32_t weight;
  };

  void SumColumns(const TAlphaColor* row);
  void EmitRow(int y);

  int sourceWidth_, sourceHeight_;
  int targetWidth_, targetHeight_;
  TBitmap* target_;  // rows written in place, or
  Emit emit_;        // handed over from row_
  std::vector<TAlphaColor> row_;
  std::vector<ColumnShare> columns_;
  std::vector<std::uint64_t> rowSums_;   // four channels per target pixel
  std::vector<std::uint64_t> areaSums_;  // the same, weighted by the rows' vertical shares
  int sourceRow_ = 0;
};

}  // namespace tracella
