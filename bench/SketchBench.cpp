// The core passes, the per-pixel reference and the memory floors they are measured against.
#include <cstring>

#include "BenchPictures.h"
#include "BlurGray.h"
#include "SketchPasses.h"
#include "SketchReference.h"

namespace tracella::bench {
namespace {

constexpr float kThreshold = 9.0f;

int Megapixels(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

void BM_MakeGray(benchmark::State& state) {
  const TBitmap& source = BenchSource(Megapixels(state));
  TGrayPlane gray;
  MakeGray(source, gray);  // the first call pays for the pages
  for ([[maybe_unused]] auto _ : state) {
    MakeGray(source, gray);
    benchmark::DoNotOptimize(gray.Row(0));
    benchmark::ClobberMemory();
  }
  CountPictureBytes(state, source);
}
BENCHMARK(BM_MakeGray)->Name("MakeGray")->Apply(PictureSizes);

void BM_RenderSketch(benchmark::State& state) {
  const TGrayPlane& gray = BenchPlane(Megapixels(state));
  TBitmap sketch;
  RenderSketch(gray, kThreshold, claBlack, sketch);
  for ([[maybe_unused]] auto _ : state) {
    RenderSketch(gray, kThreshold, claBlack, sketch);
    benchmark::DoNotOptimize(sketch.Pixels());
    benchmark::ClobberMemory();
  }
  CountPictureBytes(state, sketch);
}
BENCHMARK(BM_RenderSketch)->Name("RenderSketch")->Apply(PictureSizes);

// The smoothing users reach for on textured photographs, sigma 2; it works in place, and blurring
// an already blurred picture costs the same.
void BM_BlurGray(benchmark::State& state) {
  TGrayPlane gray;
  MakeGray(BenchSource(Megapixels(state)), gray);
  BlurGray(gray, 2.0f);
  for ([[maybe_unused]] auto _ : state) {
    BlurGray(gray, 2.0f);
    benchmark::DoNotOptimize(gray.Row(0));
    benchmark::ClobberMemory();
  }
  CountPictureBytes(state, BenchSource(Megapixels(state)));
}
BENCHMARK(BM_BlurGray)->Name("BlurGray")->Apply(PictureSizes);

void BM_RenderSketchReference(benchmark::State& state) {
  TBitmap gray;
  gray.Assign(BenchGray(Megapixels(state)));  // the reference maps its input, so it takes a mutable one
  TBitmap sketch;
  reference::RenderSketch(gray, kThreshold, claBlack, sketch);
  for ([[maybe_unused]] auto _ : state) {
    reference::RenderSketch(gray, kThreshold, claBlack, sketch);
    benchmark::DoNotOptimize(sketch.Pixels());
    benchmark::ClobberMemory();
  }
  CountPictureBytes(state, sketch);
}
BENCHMARK(BM_RenderSketchReference)->Name("RenderSketchReference")->Apply(PictureSizes);

void BM_Memcpy(benchmark::State& state) {
  const TBitmap& source = BenchGray(Megapixels(state));
  TBitmap target(source.Width(), source.Height());
  const std::size_t bytes = source.PixelCount() * sizeof(TAlphaColor);
  for ([[maybe_unused]] auto _ : state) {
    std::memcpy(target.Pixels(), source.Pixels(), bytes);
    benchmark::DoNotOptimize(target.Pixels());
    benchmark::ClobberMemory();
  }
  CountPictureBytes(state, target);
}
BENCHMARK(BM_Memcpy)->Name("Memcpy")->Apply(PictureSizes);

void BM_Memset(benchmark::State& state) {
  const PictureSize size = SizeOf(Megapixels(state));
  TBitmap target(size.width, size.height);
  target.Clear(claWhite);
  const std::size_t bytes = target.PixelCount() * sizeof(TAlphaColor);
  for ([[maybe_unused]] auto _ : state) {
    std::memset(target.Pixels(), 0xFF, bytes);
    benchmark::DoNotOptimize(target.Pixels());
    benchmark::ClobberMemory();
  }
  CountPictureBytes(state, target);
}
BENCHMARK(BM_Memset)->Name("Memset")->Apply(PictureSizes);

}  // namespace
}  // namespace tracella::bench
