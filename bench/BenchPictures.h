#pragma once

#include <benchmark/benchmark.h>

#include <QString>

#include "Bitmap.h"
#include "GrayPlane.h"

namespace tracella::bench {

// Picture sizes by megapixels: 1 -> 1224x816, 8 -> 3464x2309, 12 -> 4243x2828, 24 -> 6000x4000
// (all about 3:2), 67 -> 8192x8192 (the largest bitmap).
struct PictureSize {
  int width, height;
};
PictureSize SizeOf(int megapixels);

// A random source picture of that size with greens in 0..31, so that about half the neighbour
// pairs differ by more than the default threshold, its grey plane and the same greys as opaque
// grey pixels (for the per-pixel reference and the peer). Made once, then shared.
const TBitmap& BenchSource(int megapixels);
const TBitmap& BenchGray(int megapixels);
const TGrayPlane& BenchPlane(int megapixels);

// The 24 MP photograph named by TRACELLA_BENCH_PHOTO, or the same photograph at 12 MP named by
// TRACELLA_BENCH_PHOTO_12MP; empty (and the state skipped with a message) when it is unset.
QString BenchPhoto(benchmark::State& state, const char* variable = "TRACELLA_BENCH_PHOTO");

// Bytes a pass writes (or a copy moves) per iteration over a picture: 4 per pixel.
void CountPictureBytes(benchmark::State& state, const TBitmap& picture);

// The sizes every per-pixel case runs at.
void PictureSizes(benchmark::internal::Benchmark* b);

}  // namespace tracella::bench
