#include "SketchDrawing.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "CenterlineSvg.h"
#include "FileErrors.h"
#include "PictureFiles.h"
#include "SketchFiles.h"
#include "Specks.h"
#include "SvgTrace.h"
#include "XDoG.h"

namespace tracella {
namespace {

// Painting in a colour that white paper never has tells painted pixels from the paper, whatever
// the line colour is (white lines included).
constexpr TAlphaColor kPaintedMark = 0x00000000u;

// Each pixel of `sketch` between the line colour (tone 0) and the paper (255): white, or the line
// colour fading to transparent.
void PaintTones(const TGrayPlane& tone, TAlphaColor line, bool whitePaper, TBitmap& sketch) {
  sketch.SetSize(tone.Width(), tone.Height());
  const auto towards = [](int from, int to, int share) {
    return static_cast<std::uint8_t>(from + ((to - from) * share + (to >= from ? 127 : -127)) / 255);
  };
  for (int y = 0; y < tone.Height(); ++y) {
    const std::uint8_t* shares = tone.Row(y);
    TAlphaColor* out = sketch.ScanLine(y);
    for (int x = 0; x < tone.Width(); ++x) {
      const int share = shares[x];
      if (whitePaper)
        out[x] = MakeColor(towards(AlphaOf(line), 255, share), towards(RedOf(line), 255, share),
                           towards(GreenOf(line), 255, share), towards(BlueOf(line), 255, share));
      else
        out[x] = MakeColor(towards(AlphaOf(line), 0, share), RedOf(line), GreenOf(line), BlueOf(line));
    }
  }
}

XDoGSettings XDoGSettingsFor(const SketchOptions& options, const TSourceImage& source) {
  const float sigma = options.sigma > 0 ? options.sigma : RelativeXDoGSigma(source.Width(), source.Height());
  return {sigma, options.sharpness, options.epsilon, options.soft ? options.phi : 0};
}

// A length in its unit, to a thousandth, whatever the locale.
std::string LengthText(double value, const QString& unit) {
  QString number = QString::number(value, 'f', 3);
  while (number.endsWith(u'0')) number.chop(1);
  if (number.endsWith(u'.')) number.chop(1);
  return (number + unit).toStdString();
}

SvgLook SvgLookFor(const SketchOptions& options, const TPictureRows& sketch) {
  SvgLook look;
  look.line = options.color;
  look.whiteBackground = !options.transparent;
  double pixelsPerCss = 1;  // the picture's pixels in one CSS pixel of the document
  if (options.width.value > 0) {
    look.width = LengthText(options.width.value, options.width.unit);
    look.height = LengthText(options.width.value * sketch.Height / sketch.Width, options.width.unit);
    pixelsPerCss = sketch.Width / options.width.CssPixels();
  }
  look.strokeWidth = options.strokeWidth.CssPixels() * pixelsPerCss;
  return look;
}

void TonesOf(const TPictureRows& sketch, TAlphaColor ink, TGrayPlane& tone) {
  tone.SetSize(sketch.Width, sketch.Height);
  for (int y = 0; y < sketch.Height; ++y) {
    const TAlphaColor* pixels = sketch.Row(y);
    std::uint8_t* out = tone.Row(y);
    for (int x = 0; x < sketch.Width; ++x) out[x] = pixels[x] == ink ? 0 : 255;
  }
}

// What the line is painted in: JPEG gets the line colour itself; PNG and SVG get the mark, and
// their encoders are told the colours.
TAlphaColor InkFor(const SketchOptions& options) { return options.format == u"jpg" ? options.color : kPaintedMark; }

void Encode(const TPictureRows& rows, const SketchOptions& options, const ByteSink& sink, PenTravel* travel) {
  if (options.format == u"jpg") return WriteJpegFile(rows, sink);
  const TAlphaColor paper = options.transparent ? 0x00000000u : claWhite;
  if (options.format == u"png") return WriteTwoColorPngFile(rows, kPaintedMark, paper, options.color, sink);
  if (options.format != u"svg") throw EBitmapSavingFailed();
  const std::optional<std::string> svg = options.centerline
                                             ? CenterlineSvg(rows, kPaintedMark, SvgLookFor(options, rows), travel)
                                             : TraceSvg(rows, kPaintedMark, SvgLookFor(options, rows));
  if (!svg) throw EBitmapSavingFailed();
  sink(svg->data(), svg->size());
}

}  // namespace

void LoadSketchSource(SketchPipeline& pipeline, const QString& input, const SketchOptions& options) {
  if (options.xdog) {  // XDoG's luminance needs every channel
    TBitmap picture;
    LoadInput(picture, input);
    pipeline.SourceImage.Take(std::move(picture));
  } else {
    TGrayPlane greys;
    LoadInput(greys, input);
    pipeline.SourceImage.TakeGreys(std::move(greys));
  }
}

// The sketch goes to its encoder a band of rows at a time and is never held whole: a PNG or SVG
// is drawn with the mark and told which colour the marked pixels and the paper have.
void DrawSketchFile(SketchPipeline& pipeline, const SketchOptions& options, const ByteSink& sink, PenTravel* travel) {
  const TAlphaColor ink = InkFor(options);
  if (!options.xdog) {
    pipeline.MakeGray();
    pipeline.BlurGray(options.blur);
    pipeline.RenderSketch(options.threshold, ink);
    if (options.speckle == 0) return Encode(pipeline.SketchImage.Rows(), options, sink, travel);
  }
  // Dropping specks, or XDoG's tones, need the drawing whole: one byte a pixel, 0 the line and
  // 255 the paper.
  TGrayPlane tone;
  if (options.xdog)
    DrawXDoG(pipeline.SourceImage.Pixels(), XDoGSettingsFor(options, pipeline.SourceImage), tone);
  else
    TonesOf(pipeline.SketchImage.Rows(), ink, tone);
  DropSpecks(tone, 255, options.speckle);
  if (options.soft) {
    TBitmap sketch;
    PaintTones(tone, options.color, !options.transparent, sketch);
    const QByteArray bytes = EncodeForExtension(sketch, u'.' + options.format);
    sink(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return;
  }
  std::vector<TAlphaColor> row(static_cast<std::size_t>(tone.Width()));
  Encode({tone.Width(), tone.Height(),
          [&](int y) {
            const std::uint8_t* shares = tone.Row(y);
            for (std::size_t x = 0; x < row.size(); ++x) row[x] = shares[x] == 0 ? ink : claWhite;
            return row.data();
          }},
         options, sink, travel);
}

}  // namespace tracella
