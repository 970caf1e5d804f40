// The row loops are plain code for the compiler's vectoriser, compiled by the vector library once
// per instruction set it supports and chosen at run time.
#include "BlurGray.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "BlurGray.cpp"
#include <hwy/foreach_target.h>
// highway.h after foreach_target.h: this line keeps include sorting from swapping them.
#include <hwy/highway.h>

#ifndef TRACELLA_BLUR_GRAY_ONCE
#define TRACELLA_BLUR_GRAY_ONCE
namespace tracella::blur {

// Greys are held in 128ths of a level in 16-bit lanes, and weights in 65536ths: a weighted grey is
// the high half of their product, which every x86-64 vector unit computes in one instruction
// (pmulhuw), on twice the lanes that floats would have. Each weighting drops less than 1/128 of a
// level, half of that on average, which is added back before rounding: a blurred grey lies within
// a quarter of a level of the exact Gaussian's before it is rounded, for every sigma up to 10.
using Fixed = std::uint16_t;
constexpr int kFractionBits = 7;  // two greys of 255 still fit 16 bits: 2 * 255 * 128 < 65536

[[gnu::always_inline]] inline Fixed Weighted(Fixed value, Fixed weight) {
  return static_cast<Fixed>((std::uint32_t{value} * weight) >> 16);
}

// Rows are padded to whole 64-byte vectors.
constexpr int kPadding = 32;

int Padded(int width) { return (width + kPadding - 1) / kPadding * kPadding; }

// The taps of one half of the kernel, the centre first: weights[k] applies at distance k on both
// sides. They sum to 1 over the whole kernel (to within rounding), so a flat grey stays the same.
std::vector<Fixed> HalfKernel(float sigma) {
  const int radius = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
  std::vector<double> exact(static_cast<std::size_t>(radius) + 1);
  double sum = 0;
  for (int k = 0; k <= radius; ++k) {
    exact[k] = std::exp(-0.5 * k * k / (static_cast<double>(sigma) * sigma));
    sum += k == 0 ? exact[k] : 2 * exact[k];
  }
  std::vector<Fixed> weights;
  weights.reserve(exact.size());
  for (const double weight : exact)
    weights.push_back(static_cast<Fixed>(std::min(65535L, std::lround(weight / sum * 65536))));
  return weights;
}

// One row's greys, with `radius` copies of the edge pixels on either side. A large picture comes
// from memory, not the caches: each line of it is asked for 4 KiB ahead (the hardware prefetcher
// alone leaves the loads waiting); asking past the row's end is harmless.
[[gnu::always_inline]] inline void LoadPadded(const std::uint8_t* __restrict row, int width, int radius,
                                              Fixed* __restrict padded) {
  constexpr int kLinePixels = 64;
  constexpr std::uintptr_t kAheadBytes = 4096;
  for (int line = 0; line < width; line += kLinePixels) {
    // An address past the row is formed as a number: as a pointer it would be undefined.
    const std::uintptr_t ahead = reinterpret_cast<std::uintptr_t>(row + line) + kAheadBytes;
    __builtin_prefetch(reinterpret_cast<const void*>(ahead));  // NOLINT(performance-no-int-to-ptr)
    const int end = std::min(width, line + kLinePixels);
    for (int x = line; x < end; ++x) padded[radius + x] = static_cast<Fixed>(row[x] << kFractionBits);
  }
  std::fill(padded, padded + radius, padded[radius]);
  std::fill(padded + radius + width, padded + radius + width + radius, padded[radius + width - 1]);
}

// The taps of the kernel over whole rows, which the compiler turns into vector loops for every
// instruction set, two taps a pass to halve the passes over the sums: sums[x] = the centre and the
// first pair of taps, then further pairs of taps are added.
[[gnu::always_inline]] inline Fixed Pair(Fixed before, Fixed after, Fixed weight) {
  return Weighted(static_cast<Fixed>(before + after), weight);
}

[[gnu::always_inline]] inline void Start(const Fixed* __restrict centre, const Fixed* __restrict before,
                                         const Fixed* __restrict after, const Fixed* weights, int count,
                                         Fixed* __restrict sums) {
  const Fixed middle = weights[0], first = weights[1];
  for (int x = 0; x < count; ++x)
    sums[x] = static_cast<Fixed>(Weighted(centre[x], middle) + Pair(before[x], after[x], first));
}

[[gnu::always_inline]] inline void AddTwoPairs(const Fixed* __restrict before1, const Fixed* __restrict after1,
                                               const Fixed* __restrict before2, const Fixed* __restrict after2,
                                               Fixed weight1, Fixed weight2, int count, Fixed* __restrict sums) {
  for (int x = 0; x < count; ++x)
    sums[x] = static_cast<Fixed>(sums[x] + Pair(before1[x], after1[x], weight1) + Pair(before2[x], after2[x], weight2));
}

[[gnu::always_inline]] inline void AddPair(const Fixed* __restrict before, const Fixed* __restrict after, Fixed weight,
                                           int count, Fixed* __restrict sums) {
  for (int x = 0; x < count; ++x) sums[x] = static_cast<Fixed>(sums[x] + Pair(before[x], after[x], weight));
}

// sums = the kernel applied around the rows before(k) and after(k) at distance k from centre.
template <class Before, class After>
[[gnu::always_inline]] inline void ApplyKernel(const Fixed* centre, const Before& before, const After& after,
                                               const std::vector<Fixed>& weights, int count, Fixed* sums) {
  const int radius = static_cast<int>(weights.size()) - 1;
  Start(centre, before(1), after(1), weights.data(), count, sums);
  int k = 2;
  for (; k + 1 <= radius; k += 2)
    AddTwoPairs(before(k), after(k), before(k + 1), after(k + 1), weights[k], weights[k + 1], count, sums);
  if (k == radius) AddPair(before(k), after(k), weights[k], count, sums);
}

// Blurs along each row into a ring of the last 2 * radius + 1 rows, and across that ring into the
// picture. Row y is written only once rows up to y + radius have been read, so the picture can be
// its own output.
[[gnu::always_inline]] inline void BlurRows(TGrayPlane& gray, const std::vector<Fixed>& weights) {
  const int width = gray.Width();
  const int height = gray.Height();
  const int radius = static_cast<int>(weights.size()) - 1;
  const int ringRows = 2 * radius + 1;
  const int stride = Padded(width);
  // Half a level, and the half unit each of the 2 * (radius + 1) weightings drops on average.
  const std::uint32_t rounding = (1u << (kFractionBits - 1)) + radius + 1;
  std::vector<Fixed> padded(static_cast<std::size_t>(stride) + 2 * static_cast<std::size_t>(radius));
  std::vector<Fixed> ring(static_cast<std::size_t>(stride) * ringRows);
  std::vector<Fixed> sums(static_cast<std::size_t>(stride));
  const auto ringRow = [&](int y) { return ring.data() + static_cast<std::size_t>(y % ringRows) * stride; };
  const auto row = [&](int y) { return ringRow(std::clamp(y, 0, height - 1)); };
  int read = 0;  // rows blurred along so far
  for (int y = 0; y < height; ++y) {
    for (; read <= std::min(y + radius, height - 1); ++read) {
      LoadPadded(gray.Row(read), width, radius, padded.data());
      const Fixed* centre = padded.data() + radius;
      ApplyKernel(
          centre, [&](int k) { return centre - k; }, [&](int k) { return centre + k; }, weights, stride, ringRow(read));
    }
    ApplyKernel(
        row(y), [&](int k) { return row(y - k); }, [&](int k) { return row(y + k); }, weights, stride, sums.data());
    std::uint8_t* out = gray.Row(y);
    for (int x = 0; x < width; ++x)
      out[x] = static_cast<std::uint8_t>(std::min<std::uint32_t>((sums[x] + rounding) >> kFractionBits, 255));
  }
}

}  // namespace tracella::blur
#endif

HWY_BEFORE_NAMESPACE();
namespace tracella::HWY_NAMESPACE {

// The same loops for this instruction set; the arithmetic is exact integer arithmetic, so every
// instruction set gives the same bytes.
void BlurRowsHere(TGrayPlane& gray, const std::vector<blur::Fixed>& weights) { blur::BlurRows(gray, weights); }

}  // namespace tracella::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tracella {

HWY_EXPORT(BlurRowsHere);

void BlurGray(TGrayPlane& gray, float sigma) {
  if (!(sigma > 0) || gray.IsEmpty()) return;
  const std::vector<blur::Fixed> weights = blur::HalfKernel(std::min(sigma, MaxBlurSigma));
  HWY_DYNAMIC_DISPATCH(BlurRowsHere)(gray, weights);
}

}  // namespace tracella
#endif
