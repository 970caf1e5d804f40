#include "CenterlineSvg.h"

#include <algorithm>
#include <charconv>

#include "Centerline.h"

namespace tracella {
namespace {

// Half a pixel keeps a line on the pixels it was traced from while dropping the steps of the grid.
constexpr double kTolerance = 0.5;

// Path data longer than this is refused by libxml2-based readers (their limit is 10 MB); a longer
// line goes on in a further path from where it stopped.
constexpr std::size_t kMaxPathData = 1000000;

void AppendInteger(std::string& out, int value) {
  char text[16];
  out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// `M x y` then each point relative to the last, a minus sign separating as well as a space; a dot
// is a line of no length, which the round caps draw as a dot. A closed line returns to its start
// rather than closing with `z`: with round caps and joins the two look the same, and a line split
// over further paths still closes where it began.
void AppendLine(std::string& svg, const TPolyline& line) {
  std::string data;
  const auto start = [&](TPixelPoint at) {
    data.assign(1, 'M');
    AppendInteger(data, at.x);
    data += ' ';
    AppendInteger(data, at.y);
    data += 'l';
  };
  const auto end = [&] {
    if (data.back() == 'l') data += "0 0";
    svg.append("<path d=\"").append(data).append("\"/>\n");
  };
  start(line.front());
  for (std::size_t i = 1; i < line.size(); ++i) {
    if (data.size() > kMaxPathData - 32) {
      end();
      start(line[i - 1]);
    }
    const int dx = line[i].x - line[i - 1].x;
    const int dy = line[i].y - line[i - 1].y;
    if (data.back() != 'l' && dx >= 0) data += ' ';
    AppendInteger(data, dx);
    if (dy >= 0) data += ' ';
    AppendInteger(data, dy);
  }
  end();
}

}  // namespace

std::string CenterlineSvg(const TPictureRows& sketch, TAlphaColor painted, const SvgLook& look, PenTravel* travel) {
  TCenterLines lines = TraceCenterLines(sketch, painted, kTolerance);
  const double traced = PenUpTravel(lines.paths);
  OrderForPenTravel(lines.paths);
  if (travel) *travel = {traced, PenUpTravel(lines.paths)};

  std::string svg = SvgStart(sketch.Width, sketch.Height, look);
  if (!lines.paths.empty()) {
    // Pixel centres: whole numbers half a pixel in.
    svg += "<g transform=\"translate(0.5 0.5)\" fill=\"none\"" + SvgPaint("stroke", look.line) + " stroke-width=\"";
    AppendSvgNumber(svg, look.strokeWidth > 0 ? look.strokeWidth : std::max(1.0, lines.meanWidth));
    svg += "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
    for (const TPolyline& line : lines.paths) AppendLine(svg, line);
    svg += "</g>\n";
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace tracella
