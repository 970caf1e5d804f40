#include "SvgTrace.h"

#include <potracelib.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace tracella {
namespace {

constexpr int kWordBits = sizeof(potrace_word) * CHAR_BIT;

// potrace's bitmap, one bit a pixel, the leftmost pixel in a word's highest bit. Picture row y is
// potrace's row y, so its coordinates come back with y growing downwards, as SVG's do.
struct TraceBitmap {
  std::vector<potrace_word> words;
  potrace_bitmap_t bitmap{};

  TraceBitmap(const TPictureRows& sketch, TAlphaColor painted) {
    bitmap.w = sketch.Width;
    bitmap.h = sketch.Height;
    bitmap.dy = (bitmap.w + kWordBits - 1) / kWordBits;
    words.assign(static_cast<std::size_t>(bitmap.dy) * bitmap.h, 0);
    bitmap.map = words.data();
    for (int y = 0; y < bitmap.h; ++y) {
      const TAlphaColor* row = sketch.Row(y);
      potrace_word* out = words.data() + static_cast<std::size_t>(y) * bitmap.dy;
      for (int x = 0; x < bitmap.w; ++x)
        if (row[x] == painted) out[x / kWordBits] |= potrace_word{1} << (kWordBits - 1 - x % kWordBits);
    }
  }
};

// One shape group's outlines as path data in tenths of a pixel, each point relative to the last:
// whole numbers, a command letter only where it changes, no space before a minus. The pen is kept
// on the rounded points, so rounding never accumulates along a curve.
class PathData {
 public:
  explicit PathData(std::string& out) : out_(out) {}

  // One closed curve: it starts where its last segment ends; a corner is two straight lines.
  void Curve(const potrace_curve_t& curve) {
    Command('m');
    Relative(curve.c[curve.n - 1][2]);
    const Tenths start = pen_;
    for (int i = 0; i < curve.n; ++i) {
      if (curve.tag[i] == POTRACE_CORNER) {
        Command('l');
        Relative(curve.c[i][1]);
        Relative(curve.c[i][2]);
      } else {
        Command('c');
        const Tenths from = pen_;
        for (int k = 0; k < 3; ++k) {
          pen_ = from;
          Relative(curve.c[i][k]);
        }
      }
    }
    Command('z');
    pen_ = start;
  }

 private:
  struct Tenths {
    long x = 0, y = 0;
  };

  void Command(char command) {
    // After a move, further pairs would be lines; a curve or a line says so again.
    if (command == last_ && command != 'm' && command != 'z') return;
    out_ += command;
    last_ = command;
    afterNumber_ = false;
  }

  void Number(long value) {
    if (afterNumber_ && value >= 0) out_ += ' ';
    char text[24];
    out_.append(text, std::to_chars(text, text + sizeof text, value).ptr);
    afterNumber_ = true;
  }

  void Relative(const potrace_dpoint_t& point) {
    const Tenths to{std::lround(point.x * 10), std::lround(point.y * 10)};
    Number(to.x - pen_.x);
    Number(to.y - pen_.y);
    pen_ = to;
  }

  std::string& out_;
  Tenths pen_;
  char last_ = 0;
  bool afterNumber_ = false;
};

// Path data longer than this is refused by libxml2-based readers (its limit is 10 MB) and slow
// in every editor.
constexpr std::size_t kMaxPathData = 1000000;

// An outline and its holes as one path; or, when that would be too long, the outline masked by
// its holes in paths of at most half the limit each (the mask's own fill settles what it shows:
// white the outline, black its holes).
void AppendGroup(std::string& svg, const potrace_path_t& outline, int group) {
  std::string data;
  PathData whole(data);
  whole.Curve(outline.curve);
  for (const potrace_path_t* hole = outline.childlist; hole; hole = hole->sibling) whole.Curve(hole->curve);
  if (data.size() <= kMaxPathData) {
    svg += "<path d=\"" + data + "\"/>\n";
    return;
  }
  const std::string id = std::to_string(group);
  svg += "<mask id=\"h" + id + "\" fill=\"#000000\" fill-opacity=\"1\"><use xlink:href=\"#o" + id +
         "\" fill=\"#FFFFFF\"/>\n";
  for (const potrace_path_t* hole = outline.childlist; hole;) {
    std::string holes;
    PathData chunk(holes);
    for (; hole && holes.size() < kMaxPathData / 2; hole = hole->sibling) chunk.Curve(hole->curve);
    svg += "<path d=\"" + holes + "\"/>\n";
  }
  data.clear();
  PathData(data).Curve(outline.curve);
  svg += "</mask>\n<path id=\"o" + id + "\" mask=\"url(#h" + id + ")\" d=\"" + data + "\"/>\n";
}

}  // namespace

void AppendSvgNumber(std::string& out, double value) {
  char text[32];
  char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2).ptr;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  out.append(text, end);
}

std::string SvgPaint(const char* property, TAlphaColor color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", RedOf(color), GreenOf(color), BlueOf(color));
  std::string paint = std::string(" ") + property + "=\"" + text + '"';
  if (AlphaOf(color) != 0xFF) {
    paint += std::string(" ") + property + "-opacity=\"";
    AppendSvgNumber(paint, AlphaOf(color) / 255.0);
    paint += '"';
  }
  return paint;
}

std::string SvgStart(int pictureWidth, int pictureHeight, const SvgLook& look) {
  const std::string width = std::to_string(pictureWidth);
  const std::string height = std::to_string(pictureHeight);
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
      "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" width=\"" +
      (look.width.empty() ? width : look.width) + "\" height=\"" + (look.height.empty() ? height : look.height) +
      "\" viewBox=\"0 0 " + width + ' ' + height + "\">\n";
  if (look.whiteBackground) svg += "<rect width=\"" + width + "\" height=\"" + height + "\" fill=\"#FFFFFF\"/>\n";
  return svg;
}

std::optional<std::string> TraceSvg(const TPictureRows& sketch, TAlphaColor painted, const SvgLook& look) {
  const TraceBitmap bitmap(sketch, painted);
  const std::unique_ptr<potrace_param_t, decltype(&potrace_param_free)> param(potrace_param_default(),
                                                                              potrace_param_free);
  if (!param) return std::nullopt;
  param->turdsize = 0;
  const std::unique_ptr<potrace_state_t, decltype(&potrace_state_free)> traced(
      potrace_trace(param.get(), &bitmap.bitmap), potrace_state_free);
  if (!traced || traced->status != POTRACE_STATUS_OK) return std::nullopt;

  std::string svg = SvgStart(sketch.Width, sketch.Height, look);
  if (traced->plist) {
    // Holes are curves inside curves: even-odd filling leaves them open, however they turn.
    svg += "<g transform=\"scale(0.1)\"" + SvgPaint("fill", look.line) + " fill-rule=\"evenodd\"";
    if (look.strokeWidth > 0) {
      svg += SvgPaint("stroke", look.line) + " stroke-width=\"";
      AppendSvgNumber(svg, look.strokeWidth * 10);  // in the group's tenths of a pixel
      svg += '"';
    }
    svg += ">\n";
    // One path per outline with its holes, so that no attribute grows with the whole picture.
    int group = 0;
    for (const potrace_path_t* path = traced->plist; path; path = path->next)
      if (path->sign == '+') AppendGroup(svg, *path, group++);
    svg += "</g>\n";
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace tracella
