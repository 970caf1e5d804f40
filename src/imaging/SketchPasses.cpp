#include "SketchPasses.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

// Vectors of a cache line travel between helpers that are all inlined into one instruction set's
// copy of the loops (RunRows): no call boundary exists whose ABI could differ.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace tracella {

namespace {

// The passes work in cache lines of 16 pixels, written in plain vector code; each instruction set
// gets its own compiled copy of the row loops (RunRows), chosen once per pass.
constexpr int kLine = 16;
using Pixels = std::uint32_t __attribute__((vector_size(kLine * sizeof(TAlphaColor))));
using Bytes = std::uint8_t __attribute__((vector_size(kLine * sizeof(TAlphaColor))));

// An output this large no longer fits the caches next to its input, so it is written past them:
// a streaming store saves reading each line from memory before overwriting it.
constexpr std::size_t kStreamingBytes = std::size_t{16} << 20;

bool Streams(const TBitmap& output) { return output.PixelCount() * sizeof(TAlphaColor) >= kStreamingBytes; }

struct PlainStore {
  static void Line(TAlphaColor* out, const Pixels& pixels) { std::memcpy(out, &pixels, sizeof pixels); }
};

struct Avx2Stream {
  [[gnu::target("avx2")]] static void Line(TAlphaColor* out, const Pixels& pixels) {
    __m256i halves[2];
    std::memcpy(halves, &pixels, sizeof pixels);
    _mm256_stream_si256(reinterpret_cast<__m256i*>(out), halves[0]);
    _mm256_stream_si256(reinterpret_cast<__m256i*>(out) + 1, halves[1]);
  }
};

struct Avx512Stream {
  [[gnu::target("avx512f")]] static void Line(TAlphaColor* out, const Pixels& pixels) {
    __m512i line;
    std::memcpy(&line, &pixels, sizeof pixels);
    _mm512_stream_si512(reinterpret_cast<__m512i*>(out), line);
  }
};

// rows(store) runs the pass with `store` writing each whole output line. Every copy is flattened,
// so the vector code inside is compiled for that copy's instruction set.
template <class Rows>
[[gnu::target("avx512bw"), gnu::flatten]] void RunRowsAvx512(bool stream, const Rows& rows) {
  if (stream) rows(Avx512Stream{});
  else rows(PlainStore{});
  _mm_sfence();
}

template <class Rows>
[[gnu::target("avx2"), gnu::flatten]] void RunRowsAvx2(bool stream, const Rows& rows) {
  if (stream) rows(Avx2Stream{});
  else rows(PlainStore{});
  _mm_sfence();
}

template <class Rows>
[[gnu::flatten]] void RunRows(VectorSet widest, bool stream, const Rows& rows) {
  switch (std::min(widest, WidestVectorSet())) {
    case VectorSet::Avx512: return RunRowsAvx512(stream, rows);
    case VectorSet::Avx2: return RunRowsAvx2(stream, rows);
    case VectorSet::Baseline: return rows(PlainStore{});
  }
}

// out[x] = pixelAt(x) for x < count: the whole cache lines through Store::Line from lineAt(x, line),
// the pixels before and after them one by one.
template <class Store, class LineAt, class PixelAt>
void WriteRow(TAlphaColor* out, int count, const LineAt& lineAt, const PixelAt& pixelAt) {
  const auto misalignment = static_cast<int>(reinterpret_cast<std::uintptr_t>(out) / sizeof(TAlphaColor) % kLine);
  const int head = std::min(count, (kLine - misalignment) % kLine);
  int x = 0;
  for (; x < head; ++x) out[x] = pixelAt(x);
  Pixels line;
  for (; x + kLine <= count; x += kLine) {
    lineAt(x, line);
    Store::Line(out + x, line);
  }
  for (; x < count; ++x) out[x] = pixelAt(x);
}

template <class Vector>
Vector Load(const TAlphaColor* pixels) {
  Vector vector;
  std::memcpy(&vector, pixels, sizeof vector);
  return vector;
}

int GreyOf(TAlphaColor pixel) { return static_cast<int>((pixel >> 8) & 0xFFu); }

int Difference(int a, int b) { return a > b ? a - b : b - a; }

TAlphaColor GrayPixel(TAlphaColor pixel) { return 0xFF000000u | static_cast<TAlphaColor>(GreyOf(pixel)) * 0x010101u; }

void GrayLine(const TAlphaColor* source, Pixels& gray) {
  const Pixels g = (Load<Pixels>(source) >> 8) & 0xFFu;
  gray = 0xFF000000u | g | g << 8 | g << 16;
}

// The larger of a pixel's differences to its right and lower neighbours.
int Steeper(const TAlphaColor* row, const TAlphaColor* below, int x) {
  const int g = GreyOf(row[x]);
  return std::max(Difference(g, GreyOf(row[x + 1])), Difference(g, GreyOf(below[x])));
}

// Differences of every byte; of a pixel's four only the green one is kept, so that each pixel
// holds its grey difference times 256 and a single compare decides it.
Bytes ByteDifference(const Bytes& a, const Bytes& b) { return (a > b ? a : b) - (a < b ? a : b); }

void SteeperLine(const TAlphaColor* row, const TAlphaColor* below, Pixels& steeper) {
  const Bytes here = Load<Bytes>(row);
  const Bytes across = ByteDifference(here, Load<Bytes>(row + 1));
  const Bytes down = ByteDifference(here, Load<Bytes>(below));
  steeper = std::bit_cast<Pixels>(across > down ? across : down) & 0xFF00u;
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
  RunRows(widest, Streams(gray), [&](auto store) {
    for (int y = 0; y < source.Height(); ++y) {
      const TAlphaColor* in = source.ScanLine(y);
      WriteRow<decltype(store)>(
          gray.ScanLine(y), source.Width(), [in](int x, Pixels& line) { GrayLine(in + x, line); },
          [in](int x) { return GrayPixel(in[x]); });
    }
  });
}

void RenderSketch(const TBitmap& gray, float threshold, TAlphaColor line, TBitmap& sketch, VectorSet widest) {
  sketch.SetWidth(gray.Width());
  sketch.SetHeight(gray.Height());
  if (sketch.IsEmpty()) return;
  const int paint = PaintingDifference(threshold);
  const Pixels paintTimes256 = Pixels{} + static_cast<std::uint32_t>(paint) * 256u;
  const Pixels lines = Pixels{} + line, whites = Pixels{} + claWhite;
  const int last = gray.Width() - 1, lastRow = gray.Height() - 1;
  RunRows(widest, Streams(sketch), [&](auto store) {
    for (int y = 0; y <= lastRow; ++y) {
      const TAlphaColor* row = gray.ScanLine(y);
      // The last row has no lower neighbour; comparing it with itself adds a difference of 0,
      // which never decides: at a painting difference of 0 every right neighbour paints anyway.
      const TAlphaColor* below = gray.ScanLine(std::min(y + 1, lastRow));
      TAlphaColor* out = sketch.ScanLine(y);
      WriteRow<decltype(store)>(
          out, last,
          [&](int x, Pixels& result) {
            SteeperLine(row + x, below + x, result);
            result = result >= paintTimes256 ? lines : whites;
          },
          [&](int x) { return Steeper(row, below, x) >= paint ? line : claWhite; });
      out[last] = y < lastRow && Difference(GreyOf(row[last]), GreyOf(below[last])) >= paint ? line : claWhite;
    }
  });
}

}  // namespace tracella
