// Loading and saving a 24 MP photograph through the program's own codecs, and the window's Save
// As of a 24 MP sketch, streamed from the grey plane into the encoder and written to a file.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "BenchPictures.h"
#include "Exception.h"
#include "PictureFiles.h"
#include "SketchImage.h"

namespace tracella::bench {
namespace {

void BM_LoadJpeg(benchmark::State& state) {
  const QString photo = BenchPhoto(state);
  if (photo.isEmpty()) return;
  TBitmap picture;
  try {
    LoadFromFile(picture, photo);
    for ([[maybe_unused]] auto _ : state) {
      LoadFromFile(picture, photo);
      benchmark::DoNotOptimize(picture.Pixels());
    }
  } catch (const Exception& e) {
    state.SkipWithError(e.what());
  }
}
BENCHMARK(BM_LoadJpeg)->Name("LoadJpeg24MP")->Unit(benchmark::kMillisecond);

void BM_SaveJpeg(benchmark::State& state) {
  const QString photo = BenchPhoto(state);
  if (photo.isEmpty()) return;
  const QTemporaryDir folder;
  const QString target = QDir(folder.path()).filePath(QStringLiteral("saved.jpg"));
  TBitmap picture;
  try {
    LoadFromFile(picture, photo);
    for ([[maybe_unused]] auto _ : state) {
      SaveToFile(picture, target);
      state.PauseTiming();
      QFile::remove(target);  // saving never replaces a file
      state.ResumeTiming();
    }
  } catch (const Exception& e) {
    state.SkipWithError(e.what());
  }
}
BENCHMARK(BM_SaveJpeg)->Name("SaveJpeg24MP")->Unit(benchmark::kMillisecond);

void BM_SaveSketch(benchmark::State& state) {
  const QTemporaryDir folder;
  const QString target = QDir(folder.path()).filePath(QStringLiteral("sketch.jpg"));
  TSketchImage sketch(BenchPlane(24));
  sketch.Set(9.0f, claBlack);
  for ([[maybe_unused]] auto _ : state) {
    SaveToFile(sketch.Rows(), target);
    state.PauseTiming();
    QFile::remove(target);  // saving never replaces a file
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SaveSketch)->Name("SaveSketch24MP")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tracella::bench
