#include "Centerline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

namespace tracella {
namespace {

using Cells = std::vector<std::size_t>;

// The painted pixels inside a one-pixel frame of paper, so that every pixel has eight neighbours.
// A cell is 0 (paper), 1 (painted) or 2 (painted, already followed).
struct Mask {
  std::size_t stride;
  std::vector<std::uint8_t> cells;
  std::array<std::ptrdiff_t, 8> around;  // N, NE, E, SE, S, SW, W, NW: clockwise from the north

  Mask(const TPictureRows& sketch, TAlphaColor painted)
      : stride(static_cast<std::size_t>(sketch.Width) + 2),
        cells(stride * (static_cast<std::size_t>(sketch.Height) + 2)) {
    const auto s = static_cast<std::ptrdiff_t>(stride);
    around = {-s, -s + 1, 1, s + 1, s, s - 1, -1, -s - 1};
    for (int y = 0; y < sketch.Height; ++y) {
      const TAlphaColor* row = sketch.Row(y);
      std::uint8_t* out = &cells[(static_cast<std::size_t>(y) + 1) * stride + 1];
      for (int x = 0; x < sketch.Width; ++x) out[x] = row[x] == painted;
    }
  }

  std::size_t Next(std::size_t cell, int direction) const { return cell + around[direction]; }
  bool Painted(std::size_t cell) const { return cells[cell] != 0; }
  std::array<bool, 8> Neighbours(std::size_t cell) const {
    std::array<bool, 8> painted{};
    for (int k = 0; k < 8; ++k) painted[k] = Painted(Next(cell, k));
    return painted;
  }
  int Degree(std::size_t cell) const {
    int degree = 0;
    for (int k = 0; k < 8; ++k) degree += Painted(Next(cell, k));
    return degree;
  }
  TPixelPoint Point(std::size_t cell) const {
    return {static_cast<int>(cell % stride) - 1, static_cast<int>(cell / stride) - 1};
  }
};

enum { N, NE, E, SE, S, SW, W, NW };

// Each painted pixel's distance to the paper in steps to any of its eight neighbours (1 on the
// border), up to 255: half a line's width where the line's middle is.
std::vector<std::uint8_t> ChessboardDistances(const Mask& mask) {
  std::vector<std::uint8_t> distance(mask.cells.size());
  const std::size_t first = mask.stride + 1;
  const std::size_t last = mask.cells.size() - mask.stride - 1;
  const auto step = [&](std::size_t cell, std::initializer_list<int> directions) {
    int nearest = 255;
    for (const int k : directions) nearest = std::min<int>(nearest, distance[mask.Next(cell, k)]);
    return std::min(nearest + 1, 255);
  };
  for (std::size_t cell = first; cell < last; ++cell)
    if (mask.Painted(cell)) distance[cell] = static_cast<std::uint8_t>(step(cell, {W, NW, N, NE}));
  for (std::size_t cell = last; cell-- > first;)
    if (mask.Painted(cell))
      distance[cell] = static_cast<std::uint8_t>(std::min<int>(distance[cell], step(cell, {E, SE, S, SW})));
  return distance;
}

// Zhang and Suen's test: whether a pixel on the border goes in this half of a thinning step.
bool Peels(const std::array<bool, 8>& p, int half) {
  const int count = static_cast<int>(std::count(p.begin(), p.end(), true));
  if (count < 2 || count > 6) return false;
  int rises = 0;
  for (int k = 0; k < 8; ++k) rises += !p[k] && p[(k + 1) % 8];
  if (rises != 1) return false;
  return half == 0 ? !(p[N] && p[E] && p[S]) && !(p[E] && p[S] && p[W])
                   : !(p[N] && p[E] && p[W]) && !(p[N] && p[S] && p[W]);
}

// Thins the painted areas to lines one pixel wide. Only pixels on what is left of the borders are
// looked at, and each only until both halves of a step have kept it with the same neighbours.
void Thin(Mask& mask) {
  enum : std::uint8_t { kListed = 1, kKeptByHalf0 = 2, kKeptByHalf1 = 4 };
  Cells border, peeled, next;
  std::vector<std::uint8_t> state(mask.cells.size());
  for (std::size_t cell = mask.stride; cell < mask.cells.size() - mask.stride; ++cell) {
    if (!mask.Painted(cell) || mask.Degree(cell) == 8) continue;
    border.push_back(cell);
    state[cell] = kListed;
  }
  for (bool changed = true; changed;) {
    changed = false;
    for (int half = 0; half < 2; ++half) {
      peeled.clear();
      for (const std::size_t cell : border)
        if (Peels(mask.Neighbours(cell), half)) peeled.push_back(cell);
      for (const std::size_t cell : peeled) mask.cells[cell] = 0;
      changed = changed || !peeled.empty();
      next.clear();
      for (const std::size_t cell : border) {
        state[cell] = mask.Painted(cell) ? state[cell] | (half == 0 ? kKeptByHalf0 : kKeptByHalf1) : 0;
        if (state[cell] == (kListed | kKeptByHalf0 | kKeptByHalf1)) state[cell] = 0;
        if (state[cell] != 0) next.push_back(cell);
      }
      for (const std::size_t cell : peeled) {
        for (int k = 0; k < 8; ++k) {
          const std::size_t near = mask.Next(cell, k);
          if (!mask.Painted(near)) continue;
          if (state[near] == 0) next.push_back(near);
          state[near] = kListed;
        }
      }
      border.swap(next);
    }
  }
}

// Yokoi's connectivity number for eight-connected lines: 1 when the pixel's painted neighbours
// stay connected without it.
int Connectivity(const std::array<bool, 8>& p) {
  int parts = 0;
  for (int k = N; k <= W; k += 2) parts += !p[k] && !(!p[(k + 1) % 8] && !p[(k + 2) % 8]);
  return parts;
}

// Thinning leaves steps where a line turns a corner: a pixel with painted neighbours on two sides
// at a right angle, which touch each other anyway. Without it the line is one pixel wide everywhere
// and follows from pixel to pixel.
void DropSteps(Mask& mask) {
  for (std::size_t cell = mask.stride; cell < mask.cells.size() - mask.stride; ++cell) {
    if (!mask.Painted(cell)) continue;
    const std::array<bool, 8> p = mask.Neighbours(cell);
    const bool step = (p[N] && p[E]) || (p[E] && p[S]) || (p[S] && p[W]) || (p[W] && p[N]);
    if (step && Connectivity(p) == 1) mask.cells[cell] = 0;
  }
}

// The thinned lines cut where they end or branch: pieces from one such pixel to the next, closed
// rings, and single dots. Pixels with other than two neighbours are where pieces end.
std::vector<Cells> Follow(Mask& mask) {
  std::vector<Cells> pieces;
  // From `from` through `cell` until a pixel where pieces end, or back to the start of a ring.
  const auto walk = [&](std::size_t from, std::size_t cell) {
    Cells piece{from};
    for (std::size_t previous = from;;) {
      piece.push_back(cell);
      if (cell == from || mask.cells[cell] == 2 || mask.Degree(cell) != 2) break;
      mask.cells[cell] = 2;
      std::size_t next = cell;
      for (int k = 0; k < 8; ++k)
        if (mask.Next(cell, k) != previous && mask.Painted(mask.Next(cell, k))) next = mask.Next(cell, k);
      previous = std::exchange(cell, next);
    }
    pieces.push_back(std::move(piece));
  };
  const std::size_t end = mask.cells.size() - mask.stride;
  for (std::size_t cell = mask.stride; cell < end; ++cell) {
    if (!mask.Painted(cell) || mask.Degree(cell) == 2) continue;
    if (mask.Degree(cell) == 0) pieces.push_back({cell});
    for (int k = 0; k < 8; ++k) {
      const std::size_t near = mask.Next(cell, k);
      if (!mask.Painted(near) || mask.cells[near] == 2) continue;
      if (mask.Degree(near) != 2) {
        // Corner to corner, two such pixels already meet through a painted one beside both.
        const bool besideBoth =
            k % 2 == 1 && (mask.Painted(mask.Next(cell, k - 1)) || mask.Painted(mask.Next(cell, (k + 1) % 8)));
        if (near > cell && !besideBoth) pieces.push_back({cell, near});
        continue;
      }
      walk(cell, near);
    }
  }
  for (std::size_t cell = mask.stride; cell < end; ++cell) {
    if (mask.cells[cell] != 1 || mask.Degree(cell) != 2) continue;  // rings are all that is left
    mask.cells[cell] = 2;
    for (int k = 0; k < 8; ++k)
      if (mask.Painted(mask.Next(cell, k))) {
        walk(cell, mask.Next(cell, k));
        break;
      }
  }
  return pieces;
}

// One end of a piece: its first (0) or last (1) pixel.
struct PieceEnd {
  std::size_t cell;
  std::size_t piece;
  int side;
};

// The open pieces' ends, grouped by their pixel.
std::vector<PieceEnd> EndsByPixel(const std::vector<Cells>& pieces) {
  std::vector<PieceEnd> ends;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].size() < 2 || pieces[i].front() == pieces[i].back()) continue;
    ends.push_back({pieces[i].front(), i, 0});
    ends.push_back({pieces[i].back(), i, 1});
  }
  std::sort(ends.begin(), ends.end(), [](const PieceEnd& a, const PieceEnd& b) {
    return a.cell != b.cell ? a.cell < b.cell : a.piece != b.piece ? a.piece < b.piece : a.side < b.side;
  });
  return ends;
}

// Calls group(first, last) for each run of ends at one pixel.
template <class Group>
void ForEachMeeting(const std::vector<PieceEnd>& ends, Group group) {
  for (std::size_t first = 0, last = 0; first < ends.size(); first = last) {
    while (last < ends.size() && ends[last].cell == ends[first].cell) ++last;
    group(first, last);
  }
}

// Thinning a thick line leaves short branches towards its corners. A branch from a fork to a free
// end no longer than the line is wide there is one of them; the longest stays where nothing
// else would.
void DropCornerBranches(std::vector<Cells>& pieces, const Mask& mask, const std::vector<std::uint8_t>& distance) {
  const std::vector<PieceEnd> ends = EndsByPixel(pieces);
  std::vector<std::size_t> dropped;
  ForEachMeeting(ends, [&](std::size_t first, std::size_t last) {
    const std::size_t fork = ends[first].cell;
    if (mask.Degree(fork) < 3) return;
    std::vector<std::size_t> branches;
    for (std::size_t i = first; i < last; ++i) {
      const Cells& piece = pieces[ends[i].piece];
      const std::size_t free = ends[i].side == 0 ? piece.back() : piece.front();
      if (mask.Degree(free) == 1 && piece.size() - 1 <= distance[fork] + 1u) branches.push_back(ends[i].piece);
    }
    std::sort(branches.begin(), branches.end(),
              [&](std::size_t a, std::size_t b) { return pieces[a].size() < pieces[b].size(); });
    if (branches.size() == last - first) branches.pop_back();
    dropped.insert(dropped.end(), branches.begin(), branches.end());
  });
  for (const std::size_t piece : dropped) pieces[piece].clear();
}

// Where a piece leaves its end pixel: from a few pixels back towards the end, unit length.
std::pair<double, double> Heading(const Mask& mask, const Cells& piece, int side) {
  const std::size_t back = std::min<std::size_t>(3, piece.size() - 1);
  const TPixelPoint end = mask.Point(side == 0 ? piece.front() : piece.back());
  const TPixelPoint from = mask.Point(side == 0 ? piece[back] : piece[piece.size() - 1 - back]);
  const double dx = end.x - from.x;
  const double dy = end.y - from.y;
  const double length = std::hypot(dx, dy);
  return {dx / length, dy / length};
}

// Joins the pieces that meet end to end, at each pixel the pair that runs straightest through it
// first, into paths of pixels.
std::vector<Cells> Join(const std::vector<Cells>& pieces, const Mask& mask) {
  const std::vector<PieceEnd> ends = EndsByPixel(pieces);
  std::vector<std::ptrdiff_t> partner(pieces.size() * 2, -1);  // by 2 * piece + side
  ForEachMeeting(ends, [&](std::size_t first, std::size_t last) {
    std::vector<PieceEnd> open(ends.begin() + static_cast<std::ptrdiff_t>(first),
                               ends.begin() + static_cast<std::ptrdiff_t>(last));
    while (open.size() >= 2) {
      std::size_t a = 0, b = 1;
      double straightest = std::numeric_limits<double>::infinity();
      for (std::size_t i = 0; i < open.size(); ++i) {
        const auto [ix, iy] = Heading(mask, pieces[open[i].piece], open[i].side);
        for (std::size_t j = i + 1; j < open.size(); ++j) {
          const auto [jx, jy] = Heading(mask, pieces[open[j].piece], open[j].side);
          if (ix * jx + iy * jy < straightest) {
            straightest = ix * jx + iy * jy;
            a = i;
            b = j;
          }
        }
      }
      const auto endA = static_cast<std::ptrdiff_t>(2 * open[a].piece + open[a].side);
      const auto endB = static_cast<std::ptrdiff_t>(2 * open[b].piece + open[b].side);
      partner[endA] = endB;
      partner[endB] = endA;
      open.erase(open.begin() + static_cast<std::ptrdiff_t>(b));
      open.erase(open.begin() + static_cast<std::ptrdiff_t>(a));
    }
  });

  std::vector<Cells> paths;
  std::vector<bool> used(pieces.size());
  for (std::size_t start = 0; start < pieces.size(); ++start) {
    if (used[start] || pieces[start].empty()) continue;
    // Back to the chain's first piece, or once round a ring of pieces.
    std::size_t piece = start;
    int entry = 0;  // the side the path enters the piece by
    for (std::size_t steps = 0; steps < pieces.size(); ++steps) {
      const std::ptrdiff_t before = partner[2 * piece + entry];
      if (before < 0 || static_cast<std::size_t>(before) / 2 == start) break;
      piece = static_cast<std::size_t>(before) / 2;
      entry = 1 - static_cast<int>(before % 2);
    }
    Cells path;
    for (;;) {
      used[piece] = true;
      const Cells& cells = pieces[piece];
      const std::size_t skip = path.empty() ? 0 : 1;  // the pixel it shares with the piece before
      if (entry == 0)
        path.insert(path.end(), cells.begin() + static_cast<std::ptrdiff_t>(skip), cells.end());
      else
        path.insert(path.end(), cells.rbegin() + static_cast<std::ptrdiff_t>(skip), cells.rend());
      const std::ptrdiff_t after = partner[2 * piece + 1 - entry];
      if (after < 0 || used[static_cast<std::size_t>(after) / 2]) break;
      piece = static_cast<std::size_t>(after) / 2;
      entry = static_cast<int>(after % 2);
    }
    paths.push_back(std::move(path));
  }
  return paths;
}

double Distance(TPixelPoint a, TPixelPoint b) { return std::hypot(double(a.x - b.x), double(a.y - b.y)); }

double DistanceToSegment(TPixelPoint p, TPixelPoint a, TPixelPoint b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  if (length2 == 0) return Distance(p, a);
  const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
  return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// Ramer, Douglas and Peucker: the fewest of the points that keep every one within `tolerance`. A
// long line is cut every so many points first, so that its cost grows with its length only.
TPolyline Simplify(const TPolyline& line, double tolerance) {
  constexpr std::size_t kLongestSpan = 1024;
  if (line.size() < 3) return line;
  std::vector<bool> keep(line.size());
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  for (std::size_t first = 0; first + 1 < line.size(); first += kLongestSpan) {
    keep[first] = true;
    spans.emplace_back(first, std::min(first + kLongestSpan, line.size() - 1));
  }
  keep.back() = true;
  while (!spans.empty()) {
    const auto [first, last] = spans.back();
    spans.pop_back();
    double farthest = tolerance;
    std::size_t at = 0;
    for (std::size_t i = first + 1; i < last; ++i) {
      const double distance = DistanceToSegment(line[i], line[first], line[last]);
      if (distance > farthest) {
        farthest = distance;
        at = i;
      }
    }
    if (at == 0) continue;
    keep[at] = true;
    spans.emplace_back(first, at);
    spans.emplace_back(at, last);
  }
  TPolyline simple;
  for (std::size_t i = 0; i < line.size(); ++i)
    if (keep[i]) simple.push_back(line[i]);
  return simple;
}

}  // namespace

TCenterLines TraceCenterLines(const TPictureRows& sketch, TAlphaColor painted, double tolerance) {
  Mask mask(sketch, painted);
  const auto paintedCount = static_cast<double>(std::count(mask.cells.begin(), mask.cells.end(), 1));
  const std::vector<std::uint8_t> distance = ChessboardDistances(mask);
  Thin(mask);
  DropSteps(mask);
  std::vector<Cells> pieces = Follow(mask);
  DropCornerBranches(pieces, mask, distance);
  TCenterLines lines;
  double length = 0;
  for (const Cells& path : Join(pieces, mask)) {
    TPolyline line;
    line.reserve(path.size());
    for (const std::size_t cell : path) {
      if (!line.empty()) length += Distance(line.back(), mask.Point(cell));
      line.push_back(mask.Point(cell));
    }
    lines.paths.push_back(Simplify(line, tolerance));
  }
  lines.meanWidth = length > 0 ? paintedCount / length : 0;
  return lines;
}

double PenUpTravel(const std::vector<TPolyline>& paths) {
  double travel = 0;
  TPixelPoint pen;
  for (const TPolyline& path : paths) {
    if (path.empty()) continue;
    travel += Distance(pen, path.front());
    pen = path.back();
  }
  return travel;
}

void OrderForPenTravel(std::vector<TPolyline>& paths) {
  const std::size_t count = paths.size();
  if (count < 2) return;
  // The ends in a grid of about one end a cell, searched in rings round the pen until no nearer
  // end can be in the next ring.
  int right = 0, bottom = 0;
  for (const TPolyline& path : paths)
    for (const TPixelPoint end : {path.front(), path.back()}) {
      right = std::max(right, end.x);
      bottom = std::max(bottom, end.y);
    }
  const int cell =
      std::max(1, static_cast<int>(std::ceil(std::sqrt((right + 1.0) * (bottom + 1.0) / static_cast<double>(count)))));
  const int columns = right / cell + 1;
  const int rows = bottom / cell + 1;
  std::vector<std::vector<std::size_t>> grid(static_cast<std::size_t>(columns) * rows);  // 2 * path + side
  const auto cellOf = [&](TPixelPoint point) {
    return static_cast<std::size_t>(std::min(point.y / cell, rows - 1)) * columns +
           std::min(point.x / cell, columns - 1);
  };
  for (std::size_t i = 0; i < count; ++i) {
    grid[cellOf(paths[i].front())].push_back(2 * i);
    if (paths[i].back() != paths[i].front()) grid[cellOf(paths[i].back())].push_back(2 * i + 1);
  }

  std::vector<bool> taken(count);
  std::vector<std::size_t> order;  // 2 * path + 1 where it is drawn backwards
  order.reserve(count);
  TPixelPoint pen;
  double travel = 0;
  for (std::size_t step = 0; step < count; ++step) {
    const int column = std::min(pen.x / cell, columns - 1);
    const int row = std::min(pen.y / cell, rows - 1);
    std::size_t best = 0;
    double nearest = std::numeric_limits<double>::infinity();
    const auto look = [&](int x, int y) {
      if (x < 0 || y < 0 || x >= columns || y >= rows) return;
      std::vector<std::size_t>& ends = grid[static_cast<std::size_t>(y) * columns + x];
      for (std::size_t k = 0; k < ends.size();) {
        if (taken[ends[k] / 2]) {
          ends[k] = ends.back();
          ends.pop_back();
          continue;
        }
        const TPolyline& path = paths[ends[k] / 2];
        const double distance = Distance(pen, ends[k] % 2 ? path.back() : path.front());
        if (distance < nearest || (distance == nearest && ends[k] < best)) {
          nearest = distance;
          best = ends[k];
        }
        ++k;
      }
    };
    for (int ring = 0; ring <= std::max(columns, rows); ++ring) {
      for (int x = column - ring; x <= column + ring; ++x) {
        look(x, row - ring);
        if (ring > 0) look(x, row + ring);
      }
      for (int y = row - ring + 1; y < row + ring; ++y) {
        look(column - ring, y);
        look(column + ring, y);
      }
      if (nearest <= static_cast<double>(ring) * cell) break;
    }
    taken[best / 2] = true;
    order.push_back(best);
    travel += nearest;
    const TPolyline& path = paths[best / 2];
    pen = best % 2 ? path.front() : path.back();
  }
  if (travel >= PenUpTravel(paths)) return;
  std::vector<TPolyline> ordered;
  ordered.reserve(count);
  for (const std::size_t end : order) {
    ordered.push_back(std::move(paths[end / 2]));
    if (end % 2) std::reverse(ordered.back().begin(), ordered.back().end());
  }
  paths = std::move(ordered);
}

}  // namespace tracella
