#include "SketchReference.h"

#include <cstdlib>

namespace tracella::reference {

void MakeGray(TBitmap& source, TBitmap& gray) {
  gray.SetWidth(source.Width());
  gray.SetHeight(source.Height());
  TBitmapData in, out;
  if (!source.Map(TMapAccess::Read, in)) return;
  gray.Map(TMapAccess::Write, out);
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) {
      const std::uint8_t g = GreenOf(in.GetPixel(x, y));
      out.SetPixel(x, y, MakeColor(0xFF, g, g, g));
    }
  source.Unmap(in);
  gray.Unmap(out);
}

void RenderSketch(TBitmap& gray, float threshold, TAlphaColor line, TBitmap& sketch) {
  sketch.SetWidth(gray.Width());
  sketch.SetHeight(gray.Height());
  sketch.Clear(claWhite);
  TBitmapData in, out;
  if (!gray.Map(TMapAccess::Read, in)) return;
  sketch.Map(TMapAccess::Write, out);
  const int w = gray.Width(), h = gray.Height();
  auto differs = [&](int x0, int y0, int x1, int y1) {
    const int d = std::abs(GreenOf(in.GetPixel(x0, y0)) - GreenOf(in.GetPixel(x1, y1)));
    return static_cast<float>(d) > threshold;
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (x < w - 1 && differs(x, y, x + 1, y)) out.SetPixel(x, y, line);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (y < h - 1 && differs(x, y, x, y + 1)) out.SetPixel(x, y, line);
  gray.Unmap(in);
  sketch.Unmap(out);
}

}  // namespace tracella::reference
