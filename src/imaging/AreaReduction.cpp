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

// Rounded to the nearest.
std::uint8_t Average(std::uint64_t sum, std::uint64_t area) {
  return static_cast<std::uint8_t>((sum + area / 2) / area);
}

TAlphaColor AverageColor(const std::uint64_t* sums, std::uint64_t area) {
  return MakeColor(Average(sums[3], area), Average(sums[2], area), Average(sums[1], area), Average(sums[0], area));
}

}  // namespace

std::vector<TAreaShare> AreaShares(int sourceLength, int targetLength) {
  std::vector<TAreaShare> shares(static_cast<std::size_t>(sourceLength));
  const std::int64_t unitsPerSource = targetLength, unitsPerTarget = sourceLength;
  for (int i = 0; i < sourceLength; ++i) {
    const std::int64_t start = i * unitsPerSource;
    const std::int64_t target = start / unitsPerTarget;
    const std::int64_t inTarget = std::min(start + unitsPerSource, (target + 1) * unitsPerTarget) - start;
    shares[i] = {static_cast<int>(target), static_cast<std::uint32_t>(inTarget)};
  }
  return shares;
}

// Rows fall on the same units as columns: a source row is targetHeight units high.
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
      columns_(AreaShares(sourceWidth, targetWidth)),
      rowSums_(static_cast<std::size_t>(targetWidth) * 4),
      areaSums_(rowSums_.size()) {}

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
    const TAreaShare share = columns_[x];
    std::uint64_t* sums = &rowSums_[static_cast<std::size_t>(share.target) * 4];
    AddWeighted(sums, row[x], share.weight);
    if (share.weight < unitsPerSourceColumn) AddWeighted(sums + 4, row[x], unitsPerSourceColumn - share.weight);
  }
}

void TAreaReduction::EmitRow(int y) {
  const std::uint64_t area = std::uint64_t(sourceWidth_) * std::uint64_t(sourceHeight_);
  TAlphaColor* out = target_ ? target_->ScanLine(y) : row_.data();
  for (int x = 0; x < targetWidth_; ++x) out[x] = AverageColor(&areaSums_[static_cast<std::size_t>(x) * 4], area);
  if (emit_) emit_(y, out);
  std::fill(areaSums_.begin(), areaSums_.end(), std::uint64_t{0});
}

TPassAreaReduction::TPassAreaReduction(int sourceWidth, int sourceHeight, TBitmap& target, bool opaqueGrey)
    : target_(target),
      channels_(opaqueGrey ? 1 : 4),
      area_(std::uint64_t(sourceWidth) * std::uint64_t(sourceHeight)),
      columns_(AreaShares(sourceWidth, target.Width())),
      rows_(AreaShares(sourceHeight, target.Height())),
      rowSums_(static_cast<std::size_t>(target.Width()) * static_cast<std::size_t>(channels_)),
      sums_(rowSums_.size() * static_cast<std::size_t>(target.Height())) {}

void TPassAreaReduction::AddPixels(int y, int firstColumn, int step, const TAlphaColor* pixels, int count) {
  std::fill(rowSums_.begin(), rowSums_.end(), std::uint64_t{0});
  const auto unitsPerSourceColumn = static_cast<std::uint32_t>(target_.Width());
  const auto add = [this](std::uint64_t* sums, TAlphaColor color, std::uint64_t weight) {
    if (channels_ == 1)
      sums[0] += GreenOf(color) * weight;
    else
      AddWeighted(sums, color, weight);
  };
  for (int i = 0, x = firstColumn; i < count; ++i, x += step) {
    const TAreaShare share = columns_[x];
    std::uint64_t* sums = &rowSums_[static_cast<std::size_t>(share.target) * static_cast<std::size_t>(channels_)];
    add(sums, pixels[i], share.weight);
    if (share.weight < unitsPerSourceColumn) add(sums + channels_, pixels[i], unitsPerSourceColumn - share.weight);
  }
  const TAreaShare row = rows_[y];
  const auto unitsPerSourceRow = static_cast<std::uint32_t>(target_.Height());
  AddToRow(row.target, row.weight);
  if (row.weight < unitsPerSourceRow) AddToRow(row.target + 1, unitsPerSourceRow - row.weight);
}

void TPassAreaReduction::AddToRow(int targetRow, std::uint64_t weight) {
  std::uint64_t* sums = &sums_[static_cast<std::size_t>(targetRow) * rowSums_.size()];
  for (std::size_t i = 0; i < rowSums_.size(); ++i) sums[i] += rowSums_[i] * weight;
}

void TPassAreaReduction::Finish() {
  const std::uint64_t* sums = sums_.data();
  for (int y = 0; y < target_.Height(); ++y) {
    TAlphaColor* out = target_.ScanLine(y);
    for (int x = 0; x < target_.Width(); ++x, sums += channels_) {
      if (channels_ == 1) {
        const std::uint8_t grey = Average(sums[0], area_);
        out[x] = MakeColor(0xFF, grey, grey, grey);
      } else {
        out[x] = AverageColor(sums, area_);
      }
    }
  }
}

}  // namespace tracella
