// What the user waits for when moving the threshold on a 24 MP picture: the main window's change
// handler renders, copies the sketch into the picture control and sets the track bar.
#include "BenchPictures.h"
#include "FakePlatform.h"
#include "Faqja1.h"

namespace tracella::bench {
namespace {

void BM_ThresholdChange(benchmark::State& state) {
  FakePlatform platform;
  TForm1 form(platform);
  form.show();
  form.Pipeline.SourceImage.Assign(BenchSource(24));
  form.MakeGray();
  form.SpinBox1Change();  // sizes the sketch and the control's copy once
  benchmark::IterationCount renderings = 0;
  form.Pipeline.OnRendered = [&](float) { ++renderings; };
  for ([[maybe_unused]] auto _ : state) {
    form.SpinBox1Change();
    benchmark::ClobberMemory();
  }
  if (renderings != state.iterations()) state.SkipWithError("a threshold change did not render once");
  CountPictureBytes(state, form.Pipeline.SketchImage);
}
BENCHMARK(BM_ThresholdChange)->Name("ThresholdChange24MP")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tracella::bench
