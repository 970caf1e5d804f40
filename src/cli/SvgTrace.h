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
  double strokeWidth = 0;       // the outlines' stroke in the picture's pixels; 0: filled only
};

// The pixels of `sketch` that equal `painted` (only a one-bit mask of them is kept), traced into
// filled curves (potrace) and written as an SVG document of the picture's size, one user unit a
// pixel. Every painted pixel is traced: specks are dropped beforehand, the same way for every
// format. Nothing when tracing runs out of memory.
std::optional<std::string> TraceSvg(const TPictureRows& sketch, TAlphaColor painted, const SvgLook& look);

}  // namespace tracella
