#pragma once

#include <functional>

#include "AlphaColor.h"

namespace tracella {

// A picture handed over row by row, from the top, for an encoder: Row(y) gives row y's Width
// pixels (BGRA, as a bitmap stores them), valid until the next call. Nothing needs the picture
// whole.
struct TPictureRows {
  int Width = 0;
  int Height = 0;
  std::function<const TAlphaColor*(int y)> Row;
};

}  // namespace tracella
