#include "SketchDrawing.h"

#include "FileErrors.h"
#include "PictureFiles.h"
#include "SvgTrace.h"

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

}  // namespace

QByteArray DrawSketchFile(SketchPipeline& pipeline, const SketchOptions& options) {
  pipeline.MakeGray();
  pipeline.BlurGray(options.blur);
  const bool onWhite = !options.transparent && options.format != u"svg";
  pipeline.RenderSketch(options.threshold, onWhite ? options.color : kPaintedMark);
  TBitmap sketch;
  pipeline.SketchImage.Draw(sketch);
  if (options.format == u"svg") {
    const std::optional<std::string> svg =
        TraceSvg(sketch, kPaintedMark, {options.color, !options.transparent, options.speckle});
    if (!svg) throw EBitmapSavingFailed();
    return QByteArray::fromStdString(*svg);
  }
  if (!onWhite) MakePaperTransparent(sketch, options.color);
  return EncodeForExtension(sketch, u'.' + options.format);
}

}  // namespace tracella
