#pragma once

#include <vector>

#include "AlphaColor.h"
#include "PictureRows.h"

namespace tracella {

// A pixel of the picture; a line through it passes through its centre.
struct TPixelPoint {
  int x = 0;
  int y = 0;
  bool operator==(const TPixelPoint&) const = default;
};

// Drawn from its first point to its last; a closed one ends where it starts.
using TPolyline = std::vector<TPixelPoint>;

struct TCenterLines {
  std::vector<TPolyline> paths;
  double meanWidth = 0;  // the painted area over the centre lines' length: how wide the lines are
};

// The middle of every painted line of `sketch` (its pixels equal to `painted`): the painted areas
// thinned to one pixel (Zhang and Suen), followed from end to end, the stubs that thinning leaves
// at a thick line's corners dropped, joined where they meet (straightest pairs first), and
// simplified to within `tolerance` pixels (Ramer, Douglas and Peucker). In reading order.
TCenterLines TraceCenterLines(const TPictureRows& sketch, TAlphaColor painted, double tolerance);

// How far the pen travels lifted, in pixels: from the top left pixel to the first path, and from
// each path's end to the next one's start.
double PenUpTravel(const std::vector<TPolyline>& paths);

// Puts the (non-empty) paths in the order of nearest next end, starting at the top left pixel,
// each one turned round where its last point is the nearer; keeps the given order where that
// travels less.
void OrderForPenTravel(std::vector<TPolyline>& paths);

}  // namespace tracella
