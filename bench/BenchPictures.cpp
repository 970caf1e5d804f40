#include "BenchPictures.h"

#include <map>

#include "RandomImage.h"
#include "SketchPasses.h"

namespace tracella::bench {

PictureSize SizeOf(int megapixels) {
  switch (megapixels) {
    case 1:
      return {1224, 816};
    case 8:
      return {3464, 2309};
    case 12:
      return {4243, 2828};
    case 24:
      return {6000, 4000};
    case 67:
      return {MaxBitmapSize, MaxBitmapSize};
    default:
      return {0, 0};
  }
}

const TBitmap& BenchSource(int megapixels) {
  static std::map<int, TBitmap> sources;
  auto [it, made] = sources.try_emplace(megapixels);
  if (made) {
    const PictureSize size = SizeOf(megapixels);
    it->second = RandomImage(size.width, size.height, static_cast<std::uint32_t>(megapixels));
    for (std::size_t i = 0; i < it->second.PixelCount(); ++i) it->second.Pixels()[i] &= 0xFFFF1FFFu;
  }
  return it->second;
}

namespace {
struct GrayOutputs {
  TBitmap image;
  TGrayPlane plane;
};

const GrayOutputs& GrayOutputsOf(int megapixels) {
  static std::map<int, GrayOutputs> cache;
  auto [it, made] = cache.try_emplace(megapixels);
  if (made) {
    MakeGray(BenchSource(megapixels), it->second.plane);
    // The opaque grey pixels the per-pixel reference and the peer read.
    const TGrayPlane& plane = it->second.plane;
    it->second.image.SetSize(plane.Width(), plane.Height());
    for (int y = 0; y < plane.Height(); ++y)
      for (int x = 0; x < plane.Width(); ++x)
        it->second.image.ScanLine(y)[x] = 0xFF000000u | plane.Row(y)[x] * 0x010101u;
  }
  return it->second;
}
}  // namespace

const TBitmap& BenchGray(int megapixels) { return GrayOutputsOf(megapixels).image; }

const TGrayPlane& BenchPlane(int megapixels) { return GrayOutputsOf(megapixels).plane; }

QString BenchPhoto(benchmark::State& state, const char* variable) {
  QString path = qEnvironmentVariable(variable);
  if (path.isEmpty()) state.SkipWithError("no photograph named (bench/run-bench.sh makes them)");
  return path;
}

void CountPictureBytes(benchmark::State& state, const TBitmap& picture) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(picture.PixelCount() * sizeof(TAlphaColor)));
}

void PictureSizes(benchmark::internal::Benchmark* b) { b->Arg(1)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond); }

}  // namespace tracella::bench
