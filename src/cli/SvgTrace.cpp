#include "SvgTrace.h"

#include <potracelib.h>

#include <charconv>
#include <climits>
#include <cstdio>
#include <memory>
#include <string_view>
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

// Coordinates to a hundredth of a pixel, without trailing zeros, whatever the locale.
void AppendNumber(std::string& out, double value) {
  char text[32];
  char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2).ptr;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  const std::string_view number(text, static_cast<std::size_t>(end - text));
  out += number == "-0" ? "0" : number;
}

void AppendPoint(std::string& out, const potrace_dpoint_t& point) {
  AppendNumber(out, point.x);
  out += ' ';
  AppendNumber(out, point.y);
}

// One closed curve: it starts where its last segment ends; a corner is two straight lines.
void AppendCurve(std::string& out, const potrace_curve_t& curve) {
  out += 'M';
  AppendPoint(out, curve.c[curve.n - 1][2]);
  for (int i = 0; i < curve.n; ++i) {
    if (curve.tag[i] == POTRACE_CORNER) {
      out += 'L';
      AppendPoint(out, curve.c[i][1]);
      out += 'L';
      AppendPoint(out, curve.c[i][2]);
    } else {
      out += 'C';
      for (int k = 0; k < 3; ++k) {
        if (k > 0) out += ' ';
        AppendPoint(out, curve.c[i][k]);
      }
    }
  }
  out += 'Z';
}

std::string HexColor(TAlphaColor color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", RedOf(color), GreenOf(color), BlueOf(color));
  return text;
}

}  // namespace

std::optional<std::string> TraceSvg(const TPictureRows& sketch, TAlphaColor painted, const SvgLook& look) {
  const TraceBitmap bitmap(sketch, painted);
  const std::unique_ptr<potrace_param_t, decltype(&potrace_param_free)> param(potrace_param_default(),
                                                                              potrace_param_free);
  if (!param) return std::nullopt;
  param->turdsize = look.speckle;
  const std::unique_ptr<potrace_state_t, decltype(&potrace_state_free)> traced(
      potrace_trace(param.get(), &bitmap.bitmap), potrace_state_free);
  if (!traced || traced->status != POTRACE_STATUS_OK) return std::nullopt;

  const std::string width = std::to_string(sketch.Width);
  const std::string height = std::to_string(sketch.Height);
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
      width + "\" height=\"" + height + "\" viewBox=\"0 0 " + width + ' ' + height + "\">\n";
  if (look.whiteBackground) svg += "<rect width=\"" + width + "\" height=\"" + height + "\" fill=\"#FFFFFF\"/>\n";
  if (traced->plist) {
    // Holes are curves inside curves: even-odd filling leaves them open, however they turn.
    svg += "<path fill=\"" + HexColor(look.line) + '"';
    if (AlphaOf(look.line) != 0xFF) {
      svg += " fill-opacity=\"";
      AppendNumber(svg, AlphaOf(look.line) / 255.0);
      svg += '"';
    }
    svg += " fill-rule=\"evenodd\" d=\"";
    for (const potrace_path_t* path = traced->plist; path; path = path->next) AppendCurve(svg, path->curve);
    svg += "\"/>\n";
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace tracella
