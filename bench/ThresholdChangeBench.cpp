// What the user waits for when moving the threshold on a 24 MP picture: the main window's change
// handler renders, copies the sketch into the picture control and sets the track bar.
#include "BenchPictures.h"
#include "Faqja1.h"
#include "FakePlatform.h"

namespace tracella::bench {
namespace {

void BM_ThresholdChange(benchmark::State& state) {
  FakePlatform platform;
  TForm1 form(platform);
  form.show();
  form.SourceImage.Assign(BenchSource(24));
  form.MakeGray();
  form.SpinBox1Change();  // sizes the sketch and the control's copy once
  for (auto _ : state) {
    form.SpinBox1Change();
    benchmark::ClobberMemory();
  }
  CountPictureBytes(state, form.SketchImage);
}
BENCHMARK(BM_ThresholdChange)->Name("ThresholdChange24MP")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tracella::bench
