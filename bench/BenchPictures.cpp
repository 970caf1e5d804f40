#include "BenchPictures.h"

#include <map>

#include "RandomImage.h"
#include "SketchPasses.h"

namespace tracella::bench {

PictureSize SizeOf(int megapixels) {
  switch (megapixels) {
    case 1: return {1224, 816};
    case 12: return {4243, 2828};
    case 24: return {6000, 4000};
    default: return {0, 0};
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

const TBitmap& BenchGray(int megapixels) {
  static std::map<int, TBitmap> grays;
  auto [it, made] = grays.try_emplace(megapixels);
  if (made) MakeGray(BenchSource(megapixels), it->second);
  return it->second;
}

QString BenchPhoto(benchmark::State& state) {
  const QString path = qEnvironmentVariable("TRACELLA_BENCH_PHOTO");
  if (path.isEmpty()) state.SkipWithError("TRACELLA_BENCH_PHOTO names no photograph (bench/run-bench.sh makes one)");
  return path;
}

void CountPictureBytes(benchmark::State& state, const TBitmap& picture) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(picture.PixelCount() * sizeof(TAlphaColor)));
}

void PictureSizes(benchmark::internal::Benchmark* b) {
  b->Arg(1)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond);
}

}  // namespace tracella::bench
