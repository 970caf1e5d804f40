#pragma once

#include <optional>
#include <string>

#include "AlphaColor.h"
#include "PictureRows.h"

namespace tracella {

struct SvgLook {
  TAlphaColor line = claBlack;  // the fill; its alpha becomes the opacity
  bool whiteBackground = true;  // false: nothing behind the lines
  std::string width, height;    // the document's size with its unit; empty: the picture's in pixels
  double strokeWidth = 0;       // the pen's width in the picture's pixels; 0: outlines filled only
};

// The pixels of `sketch` that equal `painted` (only a one-bit mask of them is kept), traced into
// filled curves (potrace) and written as an SVG document of the picture's size, one user unit a
// pixel. Every painted pixel is traced: specks are dropped beforehand, the same way for every
// format. Nothing when tracing runs out of memory.
std::optional<std::string> TraceSvg(const TPictureRows& sketch, TAlphaColor painted, const SvgLook& look);

// The document's start: its size, a view box of the picture's pixels, and the white paper if any.
std::string SvgStart(int pictureWidth, int pictureHeight, const SvgLook& look);

// ` fill="#RRGGBB"` for "fill", with its opacity where the colour is not opaque; "stroke" likewise.
std::string SvgPaint(const char* property, TAlphaColor color);

// A number to a hundredth, without trailing zeros, whatever the locale.
void AppendSvgNumber(std::string& out, double value);

}  // namespace tracella
