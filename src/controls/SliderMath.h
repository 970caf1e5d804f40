#pragma once

#include <algorithm>

namespace tracella {

// Qt's styles place thumbs on an integer range; our values are doubles, so painting maps them
// onto this fine range and dragging maps pixel positions straight back to doubles.
inline constexpr int kPaintSteps = 100000;

// Where the thumb's leading edge lies along its groove, 0 at the start, 1 at the end.
inline double RelativeThumbPosition(int thumbStart, int grooveStart, int grooveLength, int thumbLength) {
  const int span = grooveLength - thumbLength;
  if (span <= 0) return 0;
  return std::clamp(static_cast<double>(thumbStart - grooveStart) / span, 0.0, 1.0);
}

}  // namespace tracella
