// What the user waits for when moving the threshold: the main window's change handler renders and
// sets the track bar, and the window is painted, at 1600 x 1000. Only the part of the sketch on
// screen is drawn, so the cost follows the window, not the picture: 8, 24 and 67 megapixels.
#include <QApplication>

#include "BenchPictures.h"
#include "FakePlatform.h"
#include "Faqja1.h"
#include "TImage.h"
#include "TSpinBox.h"

namespace tracella::bench {
namespace {

void ThresholdChange(benchmark::State& state, int megapixels) {
  FakePlatform platform;
  TForm1 form(platform);
  form.resize(1600, 1000);
  form.show();
  QApplication::processEvents();  // exposed, so that a repaint paints
  form.Pipeline.SourceImage.Assign(BenchSource(megapixels));
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
  // Each paint draws the part of the sketch on screen: count those pixels, 4 bytes each.
  const QRect shown = QRect(0, 68, form.ViewportWidth, form.ViewportHeight) & form.Image1->geometry();
  state.SetBytesProcessed(state.iterations() * std::int64_t{shown.width()} * shown.height() * 4);
}

void BM_ThresholdChange8MP(benchmark::State& state) { ThresholdChange(state, 8); }
void BM_ThresholdChange24MP(benchmark::State& state) { ThresholdChange(state, 24); }
void BM_ThresholdChange67MP(benchmark::State& state) { ThresholdChange(state, 67); }
BENCHMARK(BM_ThresholdChange8MP)->Name("ThresholdChange8MP")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThresholdChange24MP)->Name("ThresholdChange24MP")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThresholdChange67MP)->Name("ThresholdChange67MP")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tracella::bench
