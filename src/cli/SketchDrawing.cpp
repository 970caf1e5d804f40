#include "SketchDrawing.h"

#include "FileErrors.h"
#include "PictureFiles.h"
#include "Specks.h"
#include "SvgTrace.h"
#include "XDoG.h"

namespace tracella {
namespace {

// Painting in a colour that white paper never has tells painted pixels from the paper, whatever
// the line colour is (white lines included).
constexpr TAlphaColor kPaintedMark = 0x00000000u;

// The marked sketch with its paper made transparent and its marks in the line colour.
void MakePaperTransparent(TBitmap& sketch, TAlphaColor line) {
  TAlphaColor* pixels = sketch.Pixels();
  for (std::size_t i = 0; i < sketch.PixelCount(); ++i) pixels[i] = pixels[i] == kPaintedMark ? line : 0x00000000u;
}

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

XDoGSettings XDoGSettingsFor(const SketchOptions& options, const TBitmap& source) {
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

SvgLook SvgLookFor(const SketchOptions& options, const TBitmap& sketch) {
  SvgLook look;
  look.line = options.color;
  look.whiteBackground = !options.transparent;
  double pixelsPerCss = 1;  // the picture's pixels in one CSS pixel of the document
  if (options.width.value > 0) {
    look.width = LengthText(options.width.value, options.width.unit);
    look.height = LengthText(options.width.value * sketch.Height() / sketch.Width(), options.width.unit);
    pixelsPerCss = sketch.Width() / options.width.CssPixels();
  }
  look.strokeWidth = options.strokeWidth.CssPixels() * pixelsPerCss;
  return look;
}

}  // namespace

QByteArray DrawSketchFile(SketchPipeline& pipeline, const SketchOptions& options) {
  const bool onWhite = !options.transparent && options.format != u"svg";
  TBitmap& sketch = pipeline.SketchImage;
  if (options.xdog) {
    DrawXDoG(pipeline.SourceImage, XDoGSettingsFor(options, pipeline.SourceImage), pipeline.GrayPlane);
    DropSpecks(pipeline.GrayPlane, 255, options.speckle);
    PaintTones(pipeline.GrayPlane, onWhite ? options.color : kPaintedMark, options.format == u"svg" || onWhite, sketch);
  } else {
    pipeline.MakeGray();
    pipeline.BlurGray(options.blur);
    pipeline.RenderSketch(options.threshold, onWhite ? options.color : kPaintedMark);
    DropSpecks(sketch, claWhite, options.speckle);
  }
  if (options.format == u"svg") {
    const std::optional<std::string> svg = TraceSvg(sketch, kPaintedMark, SvgLookFor(options, sketch));
    if (!svg) throw EBitmapSavingFailed();
    return QByteArray::fromStdString(*svg);
  }
  if (!onWhite && !options.xdog) MakePaperTransparent(sketch, options.color);
  return EncodeForExtension(sketch, u'.' + options.format);
}

}  // namespace tracella
