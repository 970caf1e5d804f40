// The loops are plain code for the compiler's vectoriser, compiled by the vector library once per
// instruction set it supports and chosen at run time.
#include "XDoG.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "XDoG.cpp"
#include <hwy/foreach_target.h>  // must come before highway.h
#include <hwy/highway.h>

#ifndef TRACELLA_XDOG_ONCE
#define TRACELLA_XDOG_ONCE
namespace tracella::xdog {

constexpr float kSigmaRatio = 1.6f;  // the wider Gaussian's sigma over the narrower's
constexpr int kRowsAtOnce = 16;      // rows filtered along together, interleaved
constexpr int kStripColumns = 64;    // columns filtered down together: a strip stays in the caches

// Young and van Vliet's third-order recursive Gaussian: out[n] = b in[n] + c1 out[n-1] +
// c2 out[n-2] + c3 out[n-3], run forwards and then backwards. Its gain is 1: b + c1 + c2 + c3 = 1.
struct Recursion {
  float b, c1, c2, c3;
};

Recursion RecursionFor(float sigma) {
  const double s = std::clamp(sigma, MinXDoGSigma, MaxXDoGSigma);
  const double q = s >= 2.5 ? 0.98711 * s - 0.96330 : 3.97156 - 4.14554 * std::sqrt(1 - 0.26891 * s);
  const double b0 = 1.57825 + 2.44413 * q + 1.4281 * q * q + 0.422205 * q * q * q;
  const double b1 = 2.44413 * q + 2.85619 * q * q + 1.26661 * q * q * q;
  const double b2 = -(1.4281 * q * q + 1.26661 * q * q * q);
  const double b3 = 0.422205 * q * q * q;
  return {static_cast<float>(1 - (b1 + b2 + b3) / b0), static_cast<float>(b1 / b0), static_cast<float>(b2 / b0),
          static_cast<float>(b3 / b0)};
}

[[gnu::always_inline]] inline void Step(const float* __restrict p1, const float* __restrict p2,
                                        const float* __restrict p3, float* __restrict out, int lanes,
                                        const Recursion& r) {
  for (int i = 0; i < lanes; ++i) out[i] = r.b * out[i] + r.c1 * p1[i] + r.c2 * p2[i] + r.c3 * p3[i];
}

// Filters `count` rows of `lanes` values, `stride` apart, in place along the rows' order, forwards
// then backwards; beyond either end the end row goes on, as if the picture's edge extended outwards.
// `edge` holds `lanes` values of scratch.
[[gnu::always_inline]] inline void Gaussian(float* data, int count, int lanes, std::size_t stride, const Recursion& r,
                                            float* edge) {
  const auto row = [&](int n) { return data + static_cast<std::size_t>(n) * stride; };
  const auto before = [&](int n, int k) { return n - k >= 0 ? row(n - k) : edge; };
  std::copy(row(0), row(0) + lanes, edge);
  for (int n = 0; n < count; ++n) Step(before(n, 1), before(n, 2), before(n, 3), row(n), lanes, r);
  const auto after = [&](int n, int k) { return n + k < count ? row(n + k) : edge; };
  std::copy(row(count - 1), row(count - 1) + lanes, edge);
  for (int n = count - 1; n >= 0; --n) Step(after(n, 1), after(n, 2), after(n, 3), row(n), lanes, r);
}

[[gnu::always_inline]] inline float Luminance(TAlphaColor c) {
  return (0.299f / 255) * static_cast<float>(RedOf(c)) + (0.587f / 255) * static_cast<float>(GreenOf(c)) +
         (0.114f / 255) * static_cast<float>(BlueOf(c));
}

// Both Gaussians of the source's luminance, into `narrow` and `wide`: along the rows a block of
// rows at a time, interleaved so that the recursion runs on all of them at once, then down
// strips of columns.
[[gnu::always_inline]] inline void Blur(const TBitmap& source, float sigma, float* narrow, float* wide) {
  const int width = source.Width();
  const int height = source.Height();
  const Recursion recursions[2] = {RecursionFor(sigma), RecursionFor(kSigmaRatio * sigma)};
  float* const planes[2] = {narrow, wide};
  std::vector<float> luminance(static_cast<std::size_t>(width) * kRowsAtOnce);
  std::vector<float> work(luminance.size());
  std::vector<float> edge(std::max(kRowsAtOnce, kStripColumns));
  for (int top = 0; top < height; top += kRowsAtOnce) {
    const int rows = std::min(kRowsAtOnce, height - top);
    for (int r = 0; r < kRowsAtOnce; ++r) {
      const TAlphaColor* in = source.ScanLine(top + std::min(r, rows - 1));
      for (int x = 0; x < width; ++x) luminance[static_cast<std::size_t>(x) * kRowsAtOnce + r] = Luminance(in[x]);
    }
    for (int g = 0; g < 2; ++g) {
      work = luminance;
      Gaussian(work.data(), width, kRowsAtOnce, kRowsAtOnce, recursions[g], edge.data());
      for (int r = 0; r < rows; ++r) {
        float* out = planes[g] + static_cast<std::size_t>(top + r) * width;
        for (int x = 0; x < width; ++x) out[x] = work[static_cast<std::size_t>(x) * kRowsAtOnce + r];
      }
    }
  }
  for (int g = 0; g < 2; ++g)
    for (int left = 0; left < width; left += kStripColumns)
      Gaussian(planes[g] + left, height, std::min(kStripColumns, width - left), static_cast<std::size_t>(width),
               recursions[g], edge.data());
}

[[gnu::always_inline]] inline void Threshold(const float* __restrict narrow, const float* __restrict wide,
                                             std::size_t count, const XDoGSettings& s, std::uint8_t* __restrict tone) {
  const float p = s.sharpness;
  if (!(s.phi > 0)) {
    for (std::size_t i = 0; i < count; ++i)
      tone[i] = (1 + p) * narrow[i] - p * wide[i] < s.epsilon ? std::uint8_t{0} : std::uint8_t{255};
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const float d = (1 + p) * narrow[i] - p * wide[i] - s.epsilon;
    const float paper = d >= 0 ? 1.0f : std::max(0.0f, 1 + std::tanh(s.phi * d));
    tone[i] = static_cast<std::uint8_t>(paper * 255 + 0.5f);
  }
}

[[gnu::always_inline]] inline void Draw(const TBitmap& source, const XDoGSettings& settings, TGrayPlane& tone) {
  const std::size_t count = static_cast<std::size_t>(source.Width()) * source.Height();
  const std::unique_ptr<float[]> narrow(new float[count]);
  const std::unique_ptr<float[]> wide(new float[count]);
  Blur(source, settings.sigma, narrow.get(), wide.get());
  Threshold(narrow.get(), wide.get(), count, settings, tone.Row(0));
}

}  // namespace tracella::xdog
#endif

HWY_BEFORE_NAMESPACE();
namespace tracella::HWY_NAMESPACE {

void DrawXDoGHere(const TBitmap& source, const XDoGSettings& settings, TGrayPlane& tone) {
  xdog::Draw(source, settings, tone);
}

}  // namespace tracella::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tracella {

HWY_EXPORT(DrawXDoGHere);

float RelativeXDoGSigma(int width, int height, float sigmaAt1MP) {
  const double sigma = sigmaAt1MP * std::sqrt(static_cast<double>(width) * height / 1e6);
  return static_cast<float>(std::clamp(sigma, double{MinXDoGSigma}, double{MaxXDoGSigma}));
}

void DrawXDoG(const TBitmap& source, const XDoGSettings& settings, TGrayPlane& tone) {
  tone.SetSize(source.Width(), source.Height());
  if (tone.IsEmpty()) return;
  HWY_DYNAMIC_DISPATCH(DrawXDoGHere)(source, settings, tone);
}

}  // namespace tracella
#endif
