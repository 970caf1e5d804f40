// One source for every instruction set: the vector library compiles the row loops below once per
// target it supports and picks the widest the processor has at run time.
#include "SketchPasses.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "SketchPasses.cpp"
#include <hwy/cache_control.h>
#include <hwy/foreach_target.h>
// highway.h after foreach_target.h: this line keeps include sorting from swapping them.
#include <hwy/highway.h>

#ifndef TRACELLA_SKETCH_PASSES_ONCE
#define TRACELLA_SKETCH_PASSES_ONCE
namespace tracella::pixel {

// A picture this large no longer fits the caches next to its output, so the passes read it from
// memory and write past the caches: each line of input is asked for well ahead (the hardware
// prefetcher alone leaves the loads waiting much of the time), and streaming stores save reading
// each output line before overwriting it.
constexpr std::size_t kBeyondCachesBytes = std::size_t{16} << 20;
constexpr std::uintptr_t kPrefetchBytes = 4096;

inline bool BeyondCaches(std::size_t pixels) { return pixels * sizeof(TAlphaColor) >= kBeyondCachesBytes; }
inline bool BeyondCaches(const TBitmap& output) { return BeyondCaches(output.PixelCount()); }

inline bool AlignedTo(const void* address, std::size_t bytes) {
  return reinterpret_cast<std::uintptr_t>(address) % bytes == 0;
}

// The address is formed as a number: it may lie past the end of the picture, where prefetching is
// harmless.
inline const void* Ahead(const void* input) {
  return reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(input) + kPrefetchBytes);
}

inline int Difference(int a, int b) { return a > b ? a - b : b - a; }

inline std::uint8_t GrayOf(TAlphaColor pixel) { return static_cast<std::uint8_t>(pixel >> 8); }

// The larger of a pixel's differences to its right and lower neighbours.
inline int LargerNeighborDifference(const std::uint8_t* row, const std::uint8_t* below, int x) {
  return std::max(Difference(row[x], row[x + 1]), Difference(row[x], below[x]));
}

}  // namespace tracella::pixel
#endif

HWY_BEFORE_NAMESPACE();
namespace tracella::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace pixel;

using D8 = hn::ScalableTag<std::uint8_t>;
using D16 = hn::Repartition<std::uint16_t, D8>;
using D32 = hn::Repartition<std::uint32_t, D8>;
using DI32 = hn::Repartition<std::int32_t, D8>;
using DBytesOf32 = hn::Rebind<std::uint8_t, DI32>;  // one byte for each lane of DI32

template <bool kStream, class D, class V>
HWY_INLINE void Put(D d, V vector, hn::TFromD<D>* out) {
  if constexpr (kStream)
    hn::Stream(vector, d, out);
  else
    hn::StoreU(vector, d, out);
}

#if HWY_TARGET != HWY_SCALAR  // single lanes cannot be gathered into bytes: per pixel below
// The greens of four vectors of source pixels, one whole vector of plane bytes: the low halves of
// the pixels are kept, then the high byte of those.
template <bool kStream>
HWY_INLINE void GrayVectors(const TAlphaColor* in, std::uint8_t* plane) {
  const D8 d8;
  const D16 d16;
  const std::size_t n = hn::Lanes(D32());
  const auto p0 = hn::BitCast(d16, hn::LoadU(D32(), in));
  const auto p1 = hn::BitCast(d16, hn::LoadU(D32(), in + n));
  const auto p2 = hn::BitCast(d16, hn::LoadU(D32(), in + 2 * n));
  const auto p3 = hn::BitCast(d16, hn::LoadU(D32(), in + 3 * n));
  const auto lowHalves01 = hn::BitCast(d8, hn::ConcatEven(d16, p1, p0));
  const auto lowHalves23 = hn::BitCast(d8, hn::ConcatEven(d16, p3, p2));
  Put<kStream>(d8, hn::ConcatOdd(d8, lowHalves23, lowHalves01), plane);
}
#endif

template <bool kStream>
HWY_INLINE void GrayRow(const TAlphaColor* in, int width, std::uint8_t* planeRow) {
  const std::size_t n = hn::Lanes(D8());
  auto one = [&](int x) { planeRow[x] = GrayOf(in[x]); };
  // Streaming stores need whole vectors at aligned addresses.
  int x = 0;
  if constexpr (kStream) {
    for (; x < width && !AlignedTo(planeRow + x, n); ++x) one(x);
  }
#if HWY_TARGET != HWY_SCALAR
  for (; x + static_cast<int>(n) <= width; x += static_cast<int>(n)) {
    if constexpr (kStream) {
      for (std::size_t line = 0; line < n * sizeof(TAlphaColor); line += 64)
        hwy::Prefetch(static_cast<const std::uint8_t*>(Ahead(in + x)) + line);
    }
    GrayVectors<kStream>(in + x, planeRow + x);
  }
#endif
  for (; x < width; ++x) one(x);
}

template <bool kStream>
void GrayRows(const TBitmap& source, TGrayPlane& plane) {
  for (int y = 0; y < source.Height(); ++y) GrayRow<kStream>(source.ScanLine(y), source.Width(), plane.Row(y));
}

void GrayOfRow(const TAlphaColor* row, int width, std::uint8_t* gray) { GrayRow<false>(row, width, gray); }

void GrayPass(const TBitmap& source, TGrayPlane& plane) {
  if (BeyondCaches(source)) {
    GrayRows<true>(source, plane);
    hwy::FlushStream();
  } else {
    GrayRows<false>(source, plane);
  }
}

// N32 pixels of one row: each grey widened to 32 bits, the steeper difference compared at once.
template <bool kStream>
HWY_INLINE void EdgeVector(const std::uint8_t* row, const std::uint8_t* below, hn::Vec<DI32> unpainted,
                           hn::Vec<D32> line, hn::Vec<D32> white, TAlphaColor* out) {
  const DI32 di32;
  const DBytesOf32 bytes;
  const auto here = hn::PromoteTo(di32, hn::LoadU(bytes, row));
  const auto across = hn::Abs(hn::Sub(here, hn::PromoteTo(di32, hn::LoadU(bytes, row + 1))));
  const auto down = hn::Abs(hn::Sub(here, hn::PromoteTo(di32, hn::LoadU(bytes, below))));
  const D32 d32;
  const auto paint = hn::RebindMask(d32, hn::Gt(hn::Max(across, down), unpainted));
  Put<kStream>(d32, hn::IfThenElse(paint, line, white), out);
}

// The part of the sketch whose top-left pixel is (left, top) of the picture, the part's size.
template <bool kStream>
void EdgeRows(const TGrayPlane& gray, int paint, TAlphaColor line, int left, int top, const TPixelRows& part) {
  const D32 d32;
  const DI32 di32;
  const std::size_t n = hn::Lanes(d32);
  // The largest difference that leaves a pixel white: -1 when every difference paints.
  const auto unpainted = hn::Set(di32, paint - 1);
  const auto lineVector = hn::Set(d32, line), whiteVector = hn::Set(d32, claWhite);
  // The picture's last column, counted from the part's left edge; it has no right neighbour.
  const int last = gray.Width() - 1 - left, lastRow = gray.Height() - 1;
  // Pixels up to here compare with a right neighbour.
  const int paired = std::min(last, part.width);
  for (int y = 0; y < part.height; ++y) {
    const std::uint8_t* row = gray.Row(top + y) + left;
    // The last row has no lower neighbour; comparing it with itself adds a difference of 0,
    // which never decides: at a painting difference of 0 every right neighbour paints anyway.
    const std::uint8_t* below = gray.Row(std::min(top + y + 1, lastRow)) + left;
    TAlphaColor* out = part.Row(y);
    auto one = [&](int x) { out[x] = LargerNeighborDifference(row, below, x) >= paint ? line : claWhite; };
    int x = 0;
    if constexpr (kStream) {
      for (; x < paired && !AlignedTo(out + x, n * sizeof(TAlphaColor)); ++x) one(x);
    }
    for (; x + static_cast<int>(n) <= paired; x += static_cast<int>(n)) {
      if constexpr (kStream) {
        if (static_cast<std::size_t>(x) % 64 < n) hwy::Prefetch(static_cast<const std::uint8_t*>(Ahead(below + x)));
      }
      EdgeVector<kStream>(row + x, below + x, unpainted, lineVector, whiteVector, out + x);
    }
    for (; x < paired; ++x) one(x);
    if (last < part.width)
      out[last] = top + y < lastRow && Difference(row[last], below[last]) >= paint ? line : claWhite;
  }
}

void EdgePass(const TGrayPlane& gray, int paint, TAlphaColor line, int left, int top, const TPixelRows& part) {
  if (BeyondCaches(static_cast<std::size_t>(part.width) * part.height)) {
    EdgeRows<true>(gray, paint, line, left, top, part);
    hwy::FlushStream();
  } else {
    EdgeRows<false>(gray, paint, line, left, top, part);
  }
}

const char* TargetName() { return hwy::TargetName(HWY_TARGET); }

}  // namespace tracella::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tracella {

HWY_EXPORT(GrayPass);
HWY_EXPORT(GrayOfRow);
HWY_EXPORT(EdgePass);
HWY_EXPORT(TargetName);

int PaintingDifference(float threshold) {
  if (std::isnan(threshold) || threshold >= 255.0f) return 256;
  if (threshold < 0.0f) return 0;
  return static_cast<int>(std::floor(threshold)) + 1;
}

void MakeGray(const TBitmap& source, TGrayPlane& gray) {
  gray.SetSize(source.Width(), source.Height());
  if (gray.IsEmpty()) return;
  HWY_DYNAMIC_DISPATCH(GrayPass)(source, gray);
}

void MakeGrayRow(const TAlphaColor* row, int width, std::uint8_t* gray) {
  HWY_DYNAMIC_DISPATCH(GrayOfRow)(row, width, gray);
}

void RenderSketch(const TGrayPlane& gray, float threshold, TAlphaColor line, TBitmap& sketch) {
  sketch.SetSize(gray.Width(), gray.Height());
  RenderSketchPart(gray, threshold, line, 0, 0, sketch);
}

void RenderSketchPart(const TGrayPlane& gray, float threshold, TAlphaColor line, int left, int top, TBitmap& part) {
  if (part.IsEmpty()) return;
  part.PixelsToOverwrite();
  RenderSketchPart(gray, threshold, line, left, top,
                   TPixelRows{part.Pixels(), part.Width(), part.Height(), part.Width()});
}

void RenderSketchPart(const TGrayPlane& gray, float threshold, TAlphaColor line, int left, int top,
                      const TPixelRows& part) {
  if (part.width <= 0 || part.height <= 0) return;
  HWY_DYNAMIC_DISPATCH(EdgePass)(gray, PaintingDifference(threshold), line, left, top, part);
}

const char* SketchPassesTarget() { return HWY_DYNAMIC_DISPATCH(TargetName)(); }

}  // namespace tracella
#endif
