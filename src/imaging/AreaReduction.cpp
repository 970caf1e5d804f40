#include "AreaReduction.h"

#include <algorithm>
#include <utility>

namespace tracella {
namespace {

// A target column gathers up to 255 x sourceWidth per channel: more than 32 bits hold once a
// row is wider than 2^24 pixels.
void AddWeighted(std::uint64_t* sums, TAlphaColor color, std::uint64_t weight) {
  sums[0] += BlueOf(color) * weight;
  sums[1] += GreenOf(color) * weight;
  sums[2] += RedOf(color) * weight;
  sums[3] += AlphaOf(color) * weight;
}

}  // namespace

// Positions are counted in units small enough that both pixel grids fall on whole units: a source
// column is targetWidth units wide, a target column sourceWidth units (rows likewise).
TAreaReduction::TAreaReduction(int sourceWidth, int sourceHeight, TBitmap& target)
    : TAreaReduction(sourceWidth, sourceHeight, target.Width(), target.Height(), nullptr) {
  target_ = &target;
}

TAreaReduction::TAreaReduction(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight, Emit emit)
    : sourceWidth_(sourceWidth),
      sourceHeight_(sourceHeight),
      targetWidth_(targetWidth),
      targetHeight_(targetHeight),
      target_(nullptr),
      emit_(std::move(emit)),
      row_(emit_ ? static_cast<std::size_t>(targetWidth) : 0),
      columns_(static_cast<std::size_t>(sourceWidth)),
      rowSums_(static_cast<std::size_t>(targetWidth) * 4),
      areaSums_(rowSums_.size()) {
  const std::int64_t unitsPerSource = targetWidth, unitsPerTarget = sourceWidth;
  for (int x = 0; x < sourceWidth; ++x) {
    const std::int64_t start = x * unitsPerSource;
    const std::int64_t column = start / unitsPerTarget;
    const std::int64_t inColumn = std::min(start + unitsPerSource, (column + 1) * unitsPerTarget) - start;
    columns_[x] = {static_cast<int>(column), static_cast<std::uint32_t>(inColumn)};
  }
}

void TAreaReduction::AddRows(const TAlphaColor* row, int count) {
  count = std::min(count, sourceHeight_ - sourceRow_);
  if (count <= 0) return;
  SumColumns(row);
  // The rows' span, cut where target rows end: each piece is the summed row by its height.
  const std::int64_t unitsPerSourceRow = targetHeight_, unitsPerTargetRow = sourceHeight_;
  const std::int64_t end = std::int64_t{sourceRow_ + count} * unitsPerSourceRow;
  for (std::int64_t at = std::int64_t{sourceRow_} * unitsPerSourceRow; at < end;) {
    const std::int64_t targetRow = at / unitsPerTargetRow, targetEnd = (targetRow + 1) * unitsPerTargetRow;
    const std::int64_t to = std::min(end, targetEnd);
    for (std::size_t i = 0; i < rowSums_.size(); ++i) areaSums_[i] += rowSums_[i] * std::uint64_t(to - at);
    if (to == targetEnd) EmitRow(static_cast<int>(targetRow));
    at = to;
  }
  sourceRow_ += count;
}

void TAreaReduction::SumColumns(const TAlphaColor* row) {
  std::fill(rowSums_.begin(), rowSums_.end(), std::uint64_t{0});
  const auto unitsPerSourceColumn = static_cast<std::uint32_t>(targetWidth_);
  for (int x = 0; x < sourceWidth_; ++x) {
    const ColumnShare share = columns_[x];
    std::uint64_t* sums = &rowSums_[static_cast<std::size_t>(share.target) * 4];
    AddWeighted(sums, row[x], share.weight);
    if (share.weight < unitsPerSourceColumn) AddWeighted(sums + 4, row[x], unitsPerSourceColumn - share.weight);
  }
}

void TAreaReduction::EmitRow(int y) {
  const std::uint64_t area = std::uint64_t(sourceWidth_) * std::uint64_t(sourceHeight_);
  const auto average = [area](std::uint64_t sum) { return static_cast<std::uint8_t>((sum + area / 2) / area); };
  TAlphaColor* out = target_ ? target_->ScanLine(y) : row_.data();
  for (int x = 0; x < targetWidth_; ++x) {
    const std::uint64_t* sums = &areaSums_[static_cast<std::size_t>(x) * 4];
    out[x] = MakeColor(average(sums[3]), average(sums[2]), average(sums[1]), average(sums[0]));
  }
  if (emit_) emit_(y, out);
  std::fill(areaSums_.begin(), areaSums_.end(), std::uint64_t{0});
}

}  // namespace tracella
