#include "SketchDrawing.h"

#include "FileErrors.h"
#include "PictureFiles.h"
#include "SvgTrace.h"

namespace tracella {
namespace {

// Painting in a colour that white paper never has tells painted pixels from the paper, whatever
// the line colour is (white lines included).
constexpr TAlphaColor kPaintedMark = 0x00000000u;

}  // namespace

// The sketch goes to its encoder a band of rows at a time and is never held whole: a PNG or SVG
// is drawn with the mark and told which colour the marked pixels and the paper have.
QByteArray DrawSketchFile(SketchPipeline& pipeline, const SketchOptions& options) {
  pipeline.MakeGray();
  pipeline.BlurGray(options.blur);
  const bool jpeg = options.format == u"jpg";
  pipeline.RenderSketch(options.threshold, jpeg ? options.color : kPaintedMark);
  const TPictureRows rows = pipeline.SketchImage.Rows();
  if (jpeg) return EncodeJpegFile(rows);
  if (options.format == u"svg") {
    const std::optional<std::string> svg =
        TraceSvg(rows, kPaintedMark, {options.color, !options.transparent, options.speckle});
    if (!svg) throw EBitmapSavingFailed();
    return QByteArray::fromStdString(*svg);
  }
  const TAlphaColor paper = options.transparent ? 0x00000000u : claWhite;
  if (options.format == u"png") return EncodeTwoColorPngFile(rows, kPaintedMark, paper, options.color);
  throw EBitmapSavingFailed();
}

}  // namespace tracella
