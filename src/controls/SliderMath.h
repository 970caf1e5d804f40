#pragma once

#include <algorithm>
#include <cmath>

namespace tracella {

// Qt's styles place thumbs on an integer range; our values are doubles, so painting maps them
// onto this fine range and dragging maps pixel positions straight back to doubles.
inline constexpr int kPaintSteps = 100000;

inline int PaintPosition(double value, double min, double max) {
  if (!(max > min)) return 0;
  return static_cast<int>(std::lround((value - min) / (max - min) * kPaintSteps));
}

// Where the thumb's leading edge lies along its groove, 0 at the start, 1 at the end.
inline double RelativeThumbPosition(int thumbStart, int grooveStart, int grooveLength, int thumbLength) {
  const int span = grooveLength - thumbLength;
  if (span <= 0) return 0;
  return std::clamp(static_cast<double>(thumbStart - grooveStart) / span, 0.0, 1.0);
}

// The stored value after a request: the nearest end when outside min..max; a NaN changes nothing.
inline double ClampToRange(double wanted, double current, double min, double max) {
  if (std::isnan(wanted)) return current;
  return std::clamp(wanted, min, std::max(min, max));
}

}  // namespace tracella
