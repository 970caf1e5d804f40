// What the user waits for when moving the threshold: the main window's change handler renders and
// sets the track bar, and the window is painted, at 1600 x 1000. Only the part of the sketch on
// screen is drawn, so the cost follows the window, not the picture: 8, 24 and 67 megapixels.
#include "BenchPictures.h"
#include "FakePlatform.h"
#include "Faqja1.h"
#include "TSpinBox.h"

namespace tracella::bench {
namespace {

void BM_ThresholdChange(benchmark::State& state) {
  FakePlatform platform;
  TForm1 form(platform);
  form.resize(1600, 1000);
  form.show();
  form.Pipeline.SourceImage.Assign(BenchSource(static_cast<int>(state.range(0))));
  form.MakeGray();
  form.FormResize();  // the layout of a picture of this size, as after opening it
  form.SpinBox1Change();
  form.repaint();  // the first paint takes the memory for the part on screen
  benchmark::IterationCount renderings = 0;
  form.Pipeline.OnRendered = [&](float) { ++renderings; };
  float threshold = 9;
  for ([[maybe_unused]] auto _ : state) {
    threshold = threshold == 9 ? 13 : 9;  // a real change, painted at once
    form.SpinBox1->SetValue(threshold);
    form.repaint();
  }
  if (renderings != state.iterations()) state.SkipWithError("a threshold change did not render once");
}
BENCHMARK(BM_ThresholdChange)->Name("ThresholdChange8MP")->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThresholdChange)->Name("ThresholdChange24MP")->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThresholdChange)->Name("ThresholdChange67MP")->Arg(67)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tracella::bench
