#pragma once

#include <optional>
#include <string>

#include "AlphaColor.h"
#include "PictureRows.h"

namespace tracella {

struct SvgLook {
  TAlphaColor line = claBlack;  // the fill; its alpha becomes the opacity
  bool whiteBackground = true;  // false: nothing behind the lines
  int speckle = 2;              // painted specks of at most this many pixels are dropped
};

// The pixels of `sketch` that equal `painted` (only a one-bit mask of them is kept), traced into filled curves
// (potrace) and written as an SVG document of the picture's size, one user unit a pixel. Nothing when tracing runs out
// of memory.
std::optional<std::string> TraceSvg(const TPictureRows& sketch, TAlphaColor painted, const SvgLook& look);

}  // namespace tracella
