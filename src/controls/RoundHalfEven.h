#pragma once

#include <cmath>

namespace tracella {

// Nearest whole number, a tie going to the even one (12.5 -> 12, 13.5 -> 14), whatever the
// floating-point environment's rounding mode is.
inline double RoundHalfEven(double x) {
  if (!std::isfinite(x)) return x;
  const double down = std::floor(x);
  const double fraction = x - down;
  if (fraction < 0.5) return down;
  if (fraction > 0.5) return down + 1;
  return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

}  // namespace tracella
