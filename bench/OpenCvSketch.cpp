// The peer: the same sketch the way a capable OpenCV user writes it, on one thread.
#include <algorithm>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "BenchPictures.h"
#include "RandomImage.h"
#include "SketchPasses.h"
#include "SketchReference.h"

namespace tracella::bench {
namespace {

constexpr float kThreshold = 9.0f;

// Keeps its working planes between calls, as a program rendering again and again would.
class OpenCvSketch {
 public:
  void Render(const TBitmap& gray, float threshold, TAlphaColor line, TBitmap& sketch) {
    sketch.SetSize(gray.Width(), gray.Height());
    if (sketch.IsEmpty()) return;
    const int w = gray.Width(), h = gray.Height();
    const cv::Mat input(h, w, CV_8UC4, const_cast<TAlphaColor*>(gray.Pixels()));
    cv::Mat output(h, w, CV_8UC4, sketch.Pixels());
    cv::extractChannel(input, green_, 1);
    mask_.create(h, w, CV_8U);
    mask_.setTo(0);
    if (w > 1) {
      const cv::Rect left(0, 0, w - 1, h), right(1, 0, w - 1, h);
      cv::absdiff(green_(left), green_(right), difference_);
      cv::compare(difference_, threshold, mask_(left), cv::CMP_GT);
    }
    if (h > 1) {
      const cv::Rect upper(0, 0, w, h - 1), lower(0, 1, w, h - 1);
      cv::absdiff(green_(upper), green_(lower), difference_);
      cv::compare(difference_, threshold, below_, cv::CMP_GT);
      cv::bitwise_or(mask_(upper), below_, mask_(upper));
    }
    output.setTo(cv::Scalar(255, 255, 255, 255));
    output.setTo(cv::Scalar(BlueOf(line), GreenOf(line), RedOf(line), AlphaOf(line)), mask_);
  }

 private:
  cv::Mat green_, difference_, below_, mask_;
};

// Null when the peer paints what our passes paint, else what differs.
const char* PeerDisagrees() {
  TBitmap source = RandomImage(1001, 667, 7), gray, ours, theirs;
  TGrayPlane plane;
  for (std::size_t i = 0; i < source.PixelCount(); ++i) source.Pixels()[i] &= 0xFFFF1FFFu;
  MakeGray(source, plane);
  reference::MakeGray(source, gray);
  OpenCvSketch peer;
  for (const float threshold : {3.0f, 9.0f, 12.5f}) {
    RenderSketch(plane, threshold, 0x80123456u, ours);
    peer.Render(gray, threshold, 0x80123456u, theirs);
    if (!std::equal(ours.Pixels(), ours.Pixels() + ours.PixelCount(), theirs.Pixels()))
      return "the OpenCV sketch differs from RenderSketch; its figures would compare different work";
  }
  return nullptr;
}

void BM_OpenCvSketch(benchmark::State& state) {
  cv::setNumThreads(1);
  static const char* const disagreement = PeerDisagrees();
  if (disagreement) {
    state.SkipWithError(disagreement);
    return;
  }
  const TBitmap& gray = BenchGray(static_cast<int>(state.range(0)));
  TBitmap sketch;
  OpenCvSketch peer;
  peer.Render(gray, kThreshold, claBlack, sketch);
  for ([[maybe_unused]] auto _ : state) {
    peer.Render(gray, kThreshold, claBlack, sketch);
    benchmark::DoNotOptimize(sketch.Pixels());
    benchmark::ClobberMemory();
  }
  CountPictureBytes(state, sketch);
}
BENCHMARK(BM_OpenCvSketch)->Name("OpenCvSketch")->Apply(PictureSizes);

}  // namespace
}  // namespace tracella::bench
