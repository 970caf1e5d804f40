#pragma once

#include <string>

#include "SvgTrace.h"

namespace tracella {

// How far the pen travels lifted between the paths, in the picture's pixels: in the order they
// were traced, and in the order written.
struct PenTravel {
  double traced = 0;
  double ordered = 0;
};

// The middle of each painted line of `sketch` (its pixels equal to `painted`) as a stroked,
// unfilled path, for pen plotters, engravers and embroidery: one path a line, joined where lines
// meet, in an order that shortens the pen's travel. The pen is `look.strokeWidth` wide, or as wide
// as the painted lines are on average. Fills `travel` when given.
std::string CenterlineSvg(const TPictureRows& sketch, TAlphaColor painted, const SvgLook& look,
                          PenTravel* travel = nullptr);

}  // namespace tracella
