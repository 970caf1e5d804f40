// What the user waits for when opening a 24 MP photograph: the main window's open command, from
// the dialog's answer to the sketch painted in the picture control. Every iteration first opens the same
// photograph at 12 MP (not timed), so each timed open changes the picture's size, as a user's
// session does.
#include "BenchPictures.h"
#include "FakePlatform.h"
#include "Faqja1.h"

namespace tracella::bench {
namespace {

void BM_OpenPhoto(benchmark::State& state) {
  const QString photo = BenchPhoto(state), smaller = BenchPhoto(state, "TRACELLA_BENCH_PHOTO_12MP");
  if (photo.isEmpty() || smaller.isEmpty()) return;
  FakePlatform platform;
  TForm1 form(platform);
  form.show();
  benchmark::IterationCount renderings = 0;
  form.Pipeline.OnRendered = [&](float) { ++renderings; };
  auto open = [&](const QString& path) {
    platform.openAnswers.push_back(path);
    form.MenuItem21Click();
    form.repaint();
  };
  for ([[maybe_unused]] auto _ : state) {
    state.PauseTiming();
    open(smaller);
    state.ResumeTiming();
    open(photo);
  }
  if (form.Pipeline.SourceImage.Width() != 6000 || !platform.failures.isEmpty())
    state.SkipWithError("the photograph did not open");
  else if (renderings != 2 * state.iterations())
    state.SkipWithError("an open did not render once");
}
BENCHMARK(BM_OpenPhoto)->Name("OpenPhoto24MP")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tracella::bench
