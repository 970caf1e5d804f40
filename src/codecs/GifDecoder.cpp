#include "GifDecoder.h"

#include <gif_lib.h>

#include <QSize>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "DecodeBudget.h"
#include "RowSink.h"

namespace tracella {
namespace {

struct Input {
  const QByteArray& bytes;
  qsizetype at = 0;
};

// giflib takes a short read for the end of the file and refuses what it was reading.
int Read(GifFileType* gif, GifByteType* into, int count) {
  auto& input = *static_cast<Input*>(gif->UserData);
  const qsizetype taken = std::clamp<qsizetype>(input.bytes.size() - input.at, 0, count);
  std::memcpy(into, input.bytes.constData() + input.at, static_cast<std::size_t>(taken));
  input.at += taken;
  return static_cast<int>(taken);
}

struct GifCloser {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

// giflib's complaint: about the file's bytes, unless it ran out of memory.
TRefusal Refused(int error) {
  const char* message = GifErrorString(error);
  return {error == D_GIF_ERR_NOT_ENOUGH_MEM ? TRefusalKind::OutOfMemory : TRefusalKind::Damaged,
          message != nullptr ? QString::fromLatin1(message) : QStringLiteral("giflib error %1").arg(error)};
}

// Reads the records up to the first picture's descriptor; `transparent` is the colour index the
// graphic control extension before it makes transparent.
bool ReadUpToFirstPicture(GifFileType* gif, int& transparent) {
  transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
    if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
    if (type != EXTENSION_RECORD_TYPE) {
      gif->Error = D_GIF_ERR_NO_IMAG_DSCR;
      return false;
    }
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    GraphicsControlBlock control{};
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr &&
        DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
      transparent = control.TransparentColor;
    while (block != nullptr)
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
}

// giflib's complaint about the first picture's codes, or D_GIF_SUCCEEDED when they reach its last
// pixel and their data blocks end within the file. The codes are decoded once into a single row
// before the picture is built, so that a cut or damaged file is refused before any pixel memory
// is taken, and before the screen's rows above the frame are fitted for nothing.
int FrameCodesError(const QByteArray& bytes) {
  Input input{bytes};
  int error = 0, transparent = 0;
  const GifFile gif(DGifOpen(&input, Read, &error));
  if (!gif) return error;
  if (!ReadUpToFirstPicture(gif.get(), transparent)) return gif->Error;
  std::vector<GifPixelType> row(static_cast<std::size_t>(gif->Image.Width));
  for (int y = 0; y < gif->Image.Height; ++y)
    if (DGifGetLine(gif.get(), row.data(), gif->Image.Width) == GIF_ERROR) return gif->Error;
  return D_GIF_SUCCEEDED;
}

// The frame's colours, premultiplied, from its own table or else the file's; an index past the
// table is black, the transparent one transparent.
std::array<TAlphaColor, 256> PaletteOf(const GifFileType& gif, int transparent) {
  std::array<TAlphaColor, 256> palette;
  palette.fill(claBlack);
  const ColorMapObject* table = gif.Image.ColorMap != nullptr ? gif.Image.ColorMap : gif.SColorMap;
  const int count = table != nullptr ? std::min(table->ColorCount, 256) : 0;
  for (int i = 0; i < count; ++i) {
    const GifColorType& color = table->Colors[i];
    palette[std::size_t(i)] = MakeColor(0xFF, color.Red, color.Green, color.Blue);
  }
  if (transparent >= 0 && transparent < 256) palette[std::size_t(transparent)] = 0;
  return palette;
}

// What the screen shows around the frame: transparent under a frame with a transparent colour,
// else the background colour of the global table, black without one.
TAlphaColor BackgroundOf(const GifFileType& gif, int transparent) {
  const ColorMapObject* table = gif.SColorMap;
  if (transparent != NO_TRANSPARENT_COLOR) return 0;
  if (table == nullptr || gif.SBackGroundColor >= table->ColorCount) return claBlack;
  const GifColorType& color = table->Colors[gif.SBackGroundColor];
  return MakeColor(0xFF, color.Red, color.Green, color.Blue);
}

// The first frame's colour indices, a row at a time from the top. An interlaced frame's rows
// arrive in four passes over the whole frame, so its indices are all kept, read by ReadPasses.
class FrameRows {
 public:
  explicit FrameRows(GifFileType* gif)
      : gif_(gif),
        width_(std::size_t(gif->Image.Width)),
        indices_(gif->Image.Interlace ? width_ * std::size_t(gif->Image.Height) : width_) {}

  bool ReadPasses() {
    constexpr int firstRow[] = {0, 4, 2, 1}, rowStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = firstRow[pass]; y < gif_->Image.Height; y += rowStep[pass])
        if (DGifGetLine(gif_, &indices_[std::size_t(y) * width_], gif_->Image.Width) == GIF_ERROR) return false;
    return true;
  }

  // The next row's indices; nullptr when its codes are missing or broken.
  const GifPixelType* Next() {
    const std::size_t y = std::size_t(next_++);
    if (gif_->Image.Interlace) return &indices_[y * width_];
    return DGifGetLine(gif_, indices_.data(), gif_->Image.Width) == GIF_ERROR ? nullptr : indices_.data();
  }

  // Decodes the rows that were not asked for, so that the frame's codes are checked to its end.
  bool Finish() {
    while (next_ < gif_->Image.Height)
      if (Next() == nullptr) return false;
    return true;
  }

 private:
  GifFileType* gif_;
  std::size_t width_;
  std::vector<GifPixelType> indices_;
  int next_ = 0;
};

// The picture, or its grey, at the fitted size, its rows going into `into`'s sink as they arrive.
template <class Picture>
TDecoded<Picture> Decoded(const QByteArray& bytes, RowSink (*into)(Picture&, QSize)) {
  Input input{bytes};
  int error = 0;
  const GifFile gif(DGifOpen(&input, Read, &error));
  if (!gif) return Refused(error);
  int transparent = NO_TRANSPARENT_COLOR;
  if (!ReadUpToFirstPicture(gif.get(), transparent)) return Refused(gif->Error);
  const GifImageDesc frame = gif->Image;
  if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0)
    return TRefusal{TRefusalKind::Damaged, QStringLiteral("its first frame is empty")};
  // The frame is painted on the logical screen and cut off at its edges; a screen without a size
  // is as large as the frame reaches.
  const QSize size(gif->SWidth > 0 ? gif->SWidth : frame.Left + frame.Width,
                   gif->SHeight > 0 ? gif->SHeight : frame.Top + frame.Height);
  const std::int64_t framePixels = std::int64_t{frame.Width} * frame.Height;
  for (const QSize side : {size, QSize(frame.Width, frame.Height)})
    if (const std::optional<TRefusal> refusal = SizeRefusal(side.width(), side.height())) return *refusal;
  const QSize fitted = FittedSize(size);

  // An interlaced frame's indices are held at its full size. Re-decoding the frame once per band
  // would bound them too, at several times the processor time, for pictures that no camera or
  // editor makes: more than about 23,000 pixels on their longer side.
  if (frame.Interlace && framePixels > 2 * std::int64_t{sizeof(TAlphaColor)} * fitted.width() * fitted.height())
    return TRefusal{TRefusalKind::BeyondBudget,
                    QStringLiteral("interlaced rows of %1 x %2 are too many to hold for fitting")
                        .arg(frame.Width)
                        .arg(frame.Height)};
  if (const int codesError = FrameCodesError(bytes); codesError != D_GIF_SUCCEEDED) return Refused(codesError);
  FrameRows rows(gif.get());
  if (frame.Interlace && !rows.ReadPasses()) return Refused(gif->Error);

  const std::array<TAlphaColor, 256> palette = PaletteOf(*gif, transparent);
  const TAlphaColor background = BackgroundOf(*gif, transparent);
  const int left = std::min(frame.Left, size.width()), right = std::min(frame.Left + frame.Width, size.width());
  Picture picture;
  TFittedRows out(size, fitted, into(picture, fitted));
  // Rows above and below the frame are the background alone: fitted, each band costs one row.
  const auto paintBackground = [&](int from, int to) {
    if (from >= to) return;
    std::fill_n(out.Row(from), size.width(), background);
    out.Done(from, to - from);
  };
  const int top = std::min(frame.Top, size.height()), bottom = std::min(frame.Top + frame.Height, size.height());
  paintBackground(0, top);
  for (int y = top; y < bottom; ++y) {
    TAlphaColor* row = out.Row(y);
    std::fill_n(row, size.width(), background);
    const GifPixelType* in = rows.Next();
    if (in == nullptr) return Refused(gif->Error);
    std::transform(in, in + (right - left), row + left, [&palette](GifPixelType index) { return palette[index]; });
    out.Done(y);
  }
  paintBackground(bottom, size.height());
  if (!rows.Finish()) return Refused(gif->Error);  // the frame reaches below the screen
  return picture;
}

}  // namespace

bool IsGif(const QByteArray& bytes) { return bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"); }

TDecoded<TBitmap> DecodeGif(const QByteArray& bytes) { return Decoded<TBitmap>(bytes, IntoBitmap); }

TDecoded<TGrayPlane> DecodeGifGray(const QByteArray& bytes) { return Decoded<TGrayPlane>(bytes, IntoGray); }

}  // namespace tracella
