#include "AreaReduction.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <utility>

namespace tracella {
namespace {

// A target column gathers up to 255 x sourceWidth per channel: more than 32 bits hold once a
// row is wider than 2^24 pixels.
void AddWeighted(std::uint64_t* sums, TAlphaColor color, std::uint64_t weight, int channels = 4) {
  sums[0] += BlueOf(color) * weight;
  sums[1] += GreenOf(color) * weight;
  sums[2] += RedOf(color) * weight;
  if (channels == 4) sums[3] += AlphaOf(color) * weight;
}

// Rounded to the nearest.
std::uint8_t Average(std::uint64_t sum, std::uint64_t area) {
  return static_cast<std::uint8_t>((sum + area / 2) / area);
}

TAlphaColor AverageColor(const std::uint64_t* sums, std::uint64_t area) {
  return MakeColor(Average(sums[3], area), Average(sums[2], area), Average(sums[1], area), Average(sums[0], area));
}

}  // namespace

// Whole units of one grid and of the other both fall on multiples of their greatest common
// divisor; the smaller units keep the sums small, and the averages come out the same.
TAreaShares AreaShares(int sourceLength, int targetLength) {
  const int common = std::gcd(sourceLength, targetLength);
  TAreaShares axis{std::vector<TAreaShare>(static_cast<std::size_t>(sourceLength)),
                   static_cast<std::uint32_t>(targetLength / common),
                   static_cast<std::uint32_t>(sourceLength / common)};
  const std::int64_t unitsPerSource = axis.sourceUnits, unitsPerTarget = axis.targetUnits;
  for (int i = 0; i < sourceLength; ++i) {
    const std::int64_t start = i * unitsPerSource;
    const std::int64_t target = start / unitsPerTarget;
    const std::int64_t inTarget = std::min(start + unitsPerSource, (target + 1) * unitsPerTarget) - start;
    axis.shares[i] = {static_cast<int>(target), static_cast<std::uint32_t>(inTarget)};
  }
  return axis;
}

// A source row is targetHeight units high, a target row sourceHeight units.
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
  const std::uint32_t unitsPerSourceColumn = columns_.sourceUnits;
  for (int x = 0; x < sourceWidth_; ++x) {
    const TAreaShare share = columns_.shares[x];
    std::uint64_t* sums = &rowSums_[static_cast<std::size_t>(share.target) * 4];
    AddWeighted(sums, row[x], share.weight);
    if (share.weight < unitsPerSourceColumn) AddWeighted(sums + 4, row[x], unitsPerSourceColumn - share.weight);
  }
}

void TAreaReduction::EmitRow(int y) {
  const std::uint64_t area = std::uint64_t(columns_.targetUnits) * std::uint64_t(sourceHeight_);
  TAlphaColor* out = target_ ? target_->ScanLine(y) : row_.data();
  for (int x = 0; x < targetWidth_; ++x) out[x] = AverageColor(&areaSums_[static_cast<std::size_t>(x) * 4], area);
  if (emit_) emit_(y, out);
  std::fill(areaSums_.begin(), areaSums_.end(), std::uint64_t{0});
}

TPassAreaReduction::TPassAreaReduction(int sourceWidth, int sourceHeight, TBitmap& target, TPixelChannels channels)
    : target_(target),
      channels_(static_cast<int>(channels)),
      columns_(AreaShares(sourceWidth, target.Width())),
      rows_(AreaShares(sourceHeight, target.Height())),
      rowSums_(static_cast<std::size_t>(target.Width()) * static_cast<std::size_t>(channels_)) {
  area_ = std::uint64_t(columns_.targetUnits) * rows_.targetUnits;
  const std::size_t count = rowSums_.size() * static_cast<std::size_t>(target.Height());
  const std::uint64_t largest = 255 * area_;
  if (largest <= std::numeric_limits<std::uint16_t>::max())
    sums_ = std::vector<std::uint16_t>(count);
  else if (largest <= std::numeric_limits<std::uint32_t>::max())
    sums_ = std::vector<std::uint32_t>(count);
  else
    sums_ = std::vector<std::uint64_t>(count);
}

void TPassAreaReduction::AddPixels(int y, int firstColumn, int step, const TAlphaColor* pixels, int count) {
  const std::uint32_t unitsPerSourceColumn = columns_.sourceUnits;
  const auto add = [this](std::uint64_t* sums, TAlphaColor color, std::uint64_t weight) {
    if (channels_ == 1)
      sums[0] += GreenOf(color) * weight;
    else
      AddWeighted(sums, color, weight, channels_);
  };
  for (int i = 0, x = firstColumn; i < count; ++i, x += step) {
    const TAreaShare share = columns_.shares[x];
    std::uint64_t* sums = &rowSums_[static_cast<std::size_t>(share.target) * static_cast<std::size_t>(channels_)];
    add(sums, pixels[i], share.weight);
    if (share.weight < unitsPerSourceColumn) add(sums + channels_, pixels[i], unitsPerSourceColumn - share.weight);
  }
  const TAreaShare row = rows_.shares[y];
  const std::uint64_t spill = rows_.sourceUnits - row.weight;
  // No sum outgrows its type: a target pixel's weights add up to its area. The row's sums are
  // cleared as they are taken, for the next row.
  std::visit(
      [&](auto& all) {
        using Sum = typename std::decay_t<decltype(all)>::value_type;
        const std::size_t width = rowSums_.size();
        Sum* sums = &all[static_cast<std::size_t>(row.target) * width];
        for (std::size_t i = 0; i < width; ++i) {
          const std::uint64_t rowSum = std::exchange(rowSums_[i], 0);
          sums[i] = static_cast<Sum>(sums[i] + rowSum * row.weight);
          if (spill != 0) sums[width + i] = static_cast<Sum>(sums[width + i] + rowSum * spill);
        }
      },
      sums_);
}

void TPassAreaReduction::Finish() {
  std::visit(
      [&](const auto& all) {
        std::uint64_t pixel[4] = {0, 0, 0, 255 * area_};  // opaque unless alpha is summed
        auto sums = all.begin();
        for (int y = 0; y < target_.Height(); ++y) {
          TAlphaColor* out = target_.ScanLine(y);
          for (int x = 0; x < target_.Width(); ++x, sums += channels_) {
            std::copy(sums, sums + channels_, pixel);
            if (channels_ == 1) pixel[0] = pixel[2] = pixel[1] = *sums;
            out[x] = AverageColor(pixel, area_);
          }
        }
      },
      sums_);
}

}  // namespace tracella
