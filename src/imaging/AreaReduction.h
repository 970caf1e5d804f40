#pragma once

#include <cstdint>
#include <functional>
#include <variant>
#include <vector>

#include "Bitmap.h"

namespace tracella {

// How the source pixels along one axis share out among the target pixels. Positions are counted in
// the largest units on which both grids fall: a source pixel is `sourceUnits` long, a target pixel
// `targetUnits`. Source pixel i gives shares[i].weight units to target pixel shares[i].target and
// the rest of its length to the next one.
struct TAreaShare {
  int target;
  std::uint32_t weight;
};
struct TAreaShares {
  std::vector<TAreaShare> shares;
  std::uint32_t sourceUnits, targetUnits;
};
TAreaShares AreaShares(int sourceLength, int targetLength);

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
  void SumColumns(const TAlphaColor* row);
  void EmitRow(int y);

  int sourceWidth_, sourceHeight_;
  int targetWidth_, targetHeight_;
  TBitmap* target_;  // rows written in place, or
  Emit emit_;        // handed over from row_
  std::vector<TAlphaColor> row_;
  TAreaShares columns_;
  std::vector<std::uint64_t> rowSums_;   // four channels per target pixel
  std::vector<std::uint64_t> areaSums_;  // the same, weighted by the rows' vertical shares
  int sourceRow_ = 0;
};

// Which channels of a picture's pixels can differ: the others need no sums.
enum class TPixelChannels { Grey = 1, Colour = 3, ColourAndAlpha = 4 };

// The same reduction for a picture whose pixels arrive in passes over the whole of it, such as an
// interlaced PNG's: the sums are linear, so each pixel adds its share wherever it falls, and the
// target comes out exactly as TAreaReduction makes it from the picture's rows. A sum is held for
// every target pixel until Finish, one per channel that can differ (opaque pictures' alpha, grey
// ones' red and blue follow), each in as few bytes as its largest value needs.
class TPassAreaReduction {
 public:
  // `target` is already sized, no wider and no taller than the source.
  TPassAreaReduction(int sourceWidth, int sourceHeight, TBitmap& target, TPixelChannels channels);

  // `count` pixels of source row `y`, in columns firstColumn, firstColumn + step, ...
  void AddPixels(int y, int firstColumn, int step, const TAlphaColor* pixels, int count);
  // Writes the target from every pixel added.
  void Finish();

 private:
  TBitmap& target_;
  int channels_;
  std::uint64_t area_;  // of a target pixel, in units squared
  TAreaShares columns_, rows_;
  std::vector<std::uint64_t> rowSums_;  // one source row's pass, weighted by the columns' shares
  std::variant<std::vector<std::uint16_t>, std::vector<std::uint32_t>, std::vector<std::uint64_t>> sums_;
};

}  // namespace tracella
