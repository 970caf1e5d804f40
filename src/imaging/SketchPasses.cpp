#include "SketchPasses.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

// Vectors travel between helpers that are all inlined into one instruction set's copy of the row
// loops (RunRows): no call boundary exists whose ABI could differ.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace tracella {

namespace {

// A picture this large no longer fits the caches next to its output, so the passes read it from
// memory and write past the caches: each line of input is asked for well ahead (the hardware
// prefetcher alone leaves the loads waiting much of the time), and streaming stores save reading
// each output line before overwriting it.
constexpr std::size_t kBeyondCachesBytes = std::size_t{16} << 20;
constexpr std::uintptr_t kPrefetchBytes = 4096;
constexpr int kCacheLinePixels = 64 / sizeof(TAlphaColor);

bool BeyondCaches(const TBitmap& output) { return output.PixelCount() * sizeof(TAlphaColor) >= kBeyondCachesBytes; }

// The address is formed as a number: it may lie past the end of the picture, where prefetching is
// harmless. Always inlined: GCC takes a call of it for one without effect and drops it.
[[gnu::always_inline]] inline void PrefetchAhead(const TAlphaColor* pixel) {
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(pixel) + kPrefetchBytes));
}

// The vector types of one register width: 16 bytes (SSE2), 32 (AVX2) or 64 (AVX-512).
template <std::size_t kBytes>
struct Lanes {
  typedef std::uint32_t Pixels __attribute__((vector_size(kBytes)));
  typedef std::int32_t Ints __attribute__((vector_size(kBytes)));
  typedef std::uint8_t Bytes __attribute__((vector_size(kBytes)));
  static constexpr int kPixels = static_cast<int>(kBytes / sizeof(TAlphaColor));
};

template <class Vector>
Vector Load(const TAlphaColor* pixels) {
  Vector vector;
  std::memcpy(&vector, pixels, sizeof vector);
  return vector;
}

void Stream(TAlphaColor* out, const Lanes<16>::Pixels& pixels) {
  _mm_stream_si128(reinterpret_cast<__m128i*>(out), (__m128i)pixels);
}

[[gnu::target("avx2")]] void Stream(TAlphaColor* out, const Lanes<32>::Pixels& pixels) {
  _mm256_stream_si256(reinterpret_cast<__m256i*>(out), (__m256i)pixels);
}

[[gnu::target("avx512f")]] void Stream(TAlphaColor* out, const Lanes<64>::Pixels& pixels) {
  _mm512_stream_si512(reinterpret_cast<__m512i*>(out), (__m512i)pixels);
}

// Writes out[x] = pixelAt(x) for x < count: whole vectors from vectorAt(x, vector) in the middle,
// at addresses aligned to their size, and the pixels before and after them one by one. `input` is
// the row that the pass reads for the first time.
template <std::size_t kBytes, bool kBeyondCaches>
struct RowWriter {
  template <class VectorAt, class PixelAt>
  static void Write(const TAlphaColor* input, TAlphaColor* out, int count, const VectorAt& vectorAt,
                    const PixelAt& pixelAt) {
    constexpr int kPixels = Lanes<kBytes>::kPixels;
    const auto misalignment = static_cast<int>(reinterpret_cast<std::uintptr_t>(out) / sizeof(TAlphaColor) % kPixels);
    const int head = std::min(count, (kPixels - misalignment) % kPixels);
    int x = 0;
    for (; x < head; ++x) out[x] = pixelAt(x);
    typename Lanes<kBytes>::Pixels vector;
    for (; x + kPixels <= count; x += kPixels) {
      if constexpr (kBeyondCaches) {
        if (x % kCacheLinePixels < kPixels) PrefetchAhead(input + x);
      }
      vectorAt(x, vector);
      if constexpr (kBeyondCaches) Stream(out + x, vector);
      else std::memcpy(out + x, &vector, sizeof vector);
    }
    for (; x < count; ++x) out[x] = pixelAt(x);
  }
};

// rows(writer) runs a pass whose rows are written by `writer`, one RowWriter.
template <std::size_t kBytes, class Rows>
void RunRowsWith(bool beyondCaches, const Rows& rows) {
  if (beyondCaches) {
    rows(RowWriter<kBytes, true>{});
    _mm_sfence();
  } else {
    rows(RowWriter<kBytes, false>{});
  }
}

// Each instruction set's copy is flattened, so that all the vector code inside is compiled for that
// set, and never inlined, so that it stays a copy of its own (clang would fold it into the baseline).
template <class Rows>
[[gnu::target("avx512bw"), gnu::flatten, gnu::noinline]] void RunRowsAvx512(bool beyondCaches, const Rows& rows) {
  RunRowsWith<64>(beyondCaches, rows);
}

template <class Rows>
[[gnu::target("avx2"), gnu::flatten, gnu::noinline]] void RunRowsAvx2(bool beyondCaches, const Rows& rows) {
  RunRowsWith<32>(beyondCaches, rows);
}

template <class Rows>
[[gnu::flatten]] void RunRows(VectorSet widest, bool beyondCaches, const Rows& rows) {
  switch (std::min(widest, WidestVectorSet())) {
    case VectorSet::Avx512: return RunRowsAvx512(beyondCaches, rows);
    case VectorSet::Avx2: return RunRowsAvx2(beyondCaches, rows);
    case VectorSet::Baseline: return RunRowsWith<16>(beyondCaches, rows);
  }
}

int GreyOf(TAlphaColor pixel) { return static_cast<int>((pixel >> 8) & 0xFFu); }

int Difference(int a, int b) { return a > b ? a - b : b - a; }

TAlphaColor GrayPixel(TAlphaColor pixel) { return 0xFF000000u | static_cast<TAlphaColor>(GreyOf(pixel)) * 0x010101u; }

template <class Pixels>
void GrayVector(const TAlphaColor* source, Pixels& gray) {
  const Pixels g = (Load<Pixels>(source) >> 8) & 0xFFu;
  gray = 0xFF000000u | g | g << 8 | g << 16;
}

// The larger of a pixel's differences to its right and lower neighbours.
int Steeper(const TAlphaColor* row, const TAlphaColor* below, int x) {
  const int g = GreyOf(row[x]);
  return std::max(Difference(g, GreyOf(row[x + 1])), Difference(g, GreyOf(below[x])));
}

template <class Bytes>
Bytes ByteDifference(const Bytes& a, const Bytes& b) {
  return (a > b ? a : b) - (a < b ? a : b);
}

// The differences are taken for every byte and only the green ones kept, so each pixel holds its
// steeper grey difference times 256 and one compare decides it.
template <class Pixels>
void EdgeVector(const TAlphaColor* row, const TAlphaColor* below, int paint, TAlphaColor line, Pixels& out) {
  using L = Lanes<sizeof(Pixels)>;
  const auto here = Load<typename L::Bytes>(row);
  const auto across = ByteDifference(here, Load<typename L::Bytes>(row + 1));
  const auto down = ByteDifference(here, Load<typename L::Bytes>(below));
  const auto steeper = std::bit_cast<typename L::Ints>(across > down ? across : down) & 0xFF00;
  out = steeper >= paint * 256 ? Pixels{} + line : Pixels{} + claWhite;
}

}  // namespace

VectorSet WidestVectorSet() {
  if (__builtin_cpu_supports("avx512bw")) return VectorSet::Avx512;
  if (__builtin_cpu_supports("avx2")) return VectorSet::Avx2;
  return VectorSet::Baseline;
}

int PaintingDifference(float threshold) {
  if (std::isnan(threshold) || threshold >= 255.0f) return 256;
  if (threshold < 0.0f) return 0;
  return static_cast<int>(std::floor(threshold)) + 1;
}

void MakeGray(const TBitmap& source, TBitmap& gray, VectorSet widest) {
  gray.SetWidth(source.Width());
  gray.SetHeight(source.Height());
  RunRows(widest, BeyondCaches(gray), [&](auto writer) {
    for (int y = 0; y < source.Height(); ++y) {
      const TAlphaColor* in = source.ScanLine(y);
      decltype(writer)::Write(
          in, gray.ScanLine(y), source.Width(), [in](int x, auto& vector) { GrayVector(in + x, vector); },
          [in](int x) { return GrayPixel(in[x]); });
    }
  });
}

// The lambdas take the threshold and colour by value: held by reference they would be read again
// for every vector, since the compiler cannot tell that the output stores leave them alone.
void RenderSketch(const TBitmap& gray, float threshold, TAlphaColor line, TBitmap& sketch, VectorSet widest) {
  sketch.SetWidth(gray.Width());
  sketch.SetHeight(gray.Height());
  if (sketch.IsEmpty()) return;
  const int paint = PaintingDifference(threshold);
  const int last = gray.Width() - 1, lastRow = gray.Height() - 1;
  RunRows(widest, BeyondCaches(sketch), [&](auto writer) {
    for (int y = 0; y <= lastRow; ++y) {
      const TAlphaColor* row = gray.ScanLine(y);
      // The last row has no lower neighbour; comparing it with itself adds a difference of 0,
      // which never decides: at a painting difference of 0 every right neighbour paints anyway.
      const TAlphaColor* below = gray.ScanLine(std::min(y + 1, lastRow));
      TAlphaColor* out = sketch.ScanLine(y);
      decltype(writer)::Write(
          below, out, last,  // the row itself was read before, as the row below
          [row, below, paint, line](int x, auto& vector) { EdgeVector(row + x, below + x, paint, line, vector); },
          [row, below, paint, line](int x) { return Steeper(row, below, x) >= paint ? line : claWhite; });
      out[last] = y < lastRow && Difference(GreyOf(row[last]), GreyOf(below[last])) >= paint ? line : claWhite;
    }
  });
}

}  // namespace tracella
