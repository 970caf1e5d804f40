#include "TiffDecoder.h"

#include <tiffio.h>

#include <QString>
#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "AlphaColor.h"
#include "CodecsLog.h"
#include "DecodeBudget.h"
#include "ExifOrientation.h"
#include "RowSink.h"

namespace tracella {
namespace {

// libtiff reads the file through these, straight from memory.
struct MemoryFile {
  const QByteArray& bytes;
  toff_t at = 0;
  char lastError[512] = "";
};

MemoryFile& FileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

tmsize_t ReadBytes(thandle_t handle, void* into, tmsize_t count) {
  MemoryFile& file = FileOf(handle);
  const toff_t size = static_cast<toff_t>(file.bytes.size());
  const toff_t got =
      std::min<toff_t>(static_cast<toff_t>(std::max<tmsize_t>(count, 0)), size - std::min(file.at, size));
  std::memcpy(into, file.bytes.constData() + file.at, got);
  file.at += got;
  return static_cast<tmsize_t>(got);
}

tmsize_t WriteNothing(thandle_t, void*, tmsize_t) { return 0; }

toff_t Seek(thandle_t handle, toff_t offset, int whence) {
  MemoryFile& file = FileOf(handle);
  const toff_t base = whence == SEEK_CUR ? file.at : whence == SEEK_END ? static_cast<toff_t>(file.bytes.size()) : 0;
  file.at = base + offset;
  return file.at;
}

int CloseNothing(thandle_t) { return 0; }

toff_t SizeOf(thandle_t handle) { return static_cast<toff_t>(FileOf(handle).bytes.size()); }

// The bytes are in memory already: libtiff may read them in place.
int Map(thandle_t handle, void** base, toff_t* size) {
  *base = const_cast<char*>(FileOf(handle).bytes.constData());
  *size = SizeOf(handle);
  return 1;
}

void Unmap(thandle_t, void*, toff_t) {}

int KeepError(TIFF*, void* userData, const char* module, const char* format, va_list arguments) {
  char text[400];
  std::vsnprintf(text, sizeof text, format, arguments);
  std::snprintf(static_cast<MemoryFile*>(userData)->lastError, sizeof MemoryFile::lastError, "%s: %s", module, text);
  return 1;
}

int LogWarning(TIFF*, void*, const char* module, const char* format, va_list arguments) {
  char text[400];
  std::vsnprintf(text, sizeof text, format, arguments);
  qCWarning(lcCodecs) << "libtiff:" << module << text;
  return 1;
}

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct OptionsFreer {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// libtiff gives ABGR words, red in the low byte, alpha already premultiplied; we store BGRA.
TAlphaColor FromTiff(std::uint32_t abgr) { return (abgr & 0xFF00FF00u) | (abgr & 0xFFu) << 16 | (abgr >> 16 & 0xFFu); }

// libtiff's complaint; it gives none for some headers it will not open.
TRefusal Damaged(const char* reason) {
  return {TRefusalKind::Damaged,
          *reason != '\0' ? QString::fromLatin1(reason) : QStringLiteral("libtiff gave no reason")};
}

// Rows read per call: whole strips or rows of tiles, so that each is decoded once, as long as
// the band stays within `maxBytes`; a taller strip is then decoded again for each band.
int BandRows(TIFF* tiff, int width, int height, std::int64_t maxBytes) {
  std::uint32_t rows = 0;
  if (TIFFIsTiled(tiff))
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &rows);
  else
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows);
  rows = std::clamp<std::uint32_t>(rows, 1, static_cast<std::uint32_t>(height));
  rows = std::max<std::uint32_t>(rows, std::min<std::uint32_t>(64 / rows * rows, height));
  const std::int64_t fitting = std::max<std::int64_t>(1, maxBytes / (std::int64_t{width} * 4));
  return static_cast<int>(std::min<std::int64_t>(rows, fitting));
}

// The most a compressed strip or tile of `bytes` can expand to. The methods without a tight bound
// (fax codes spend about a bit on a white row, JPEG a few on a flat block) are held to 65536
// times: more than any picture of theirs needs, yet a few bytes cannot claim a large strip.
std::int64_t MostDecodedFrom(std::uint16_t compression, std::uint64_t bytes) {
  const auto times = [bytes](std::int64_t ratio) { return static_cast<std::int64_t>(bytes) * ratio + 1024; };
  switch (compression) {
    case COMPRESSION_NONE:
      return times(1);
    case COMPRESSION_PACKBITS:
      return times(64);
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return times(1032);  // zlib's own bound
    case COMPRESSION_LZW:
      return times(4096);  // a 9-bit code stands for at most 4096 bytes
    default:
      return times(65536);
  }
}

// False when a strip or tile holds too few bytes to decode to what the header says it holds:
// libtiff would size its buffer from the header and fill it with zeros before finding out.
bool StripsCanHoldTheirRows(TIFF* tiff) {
  std::uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
  const bool tiled = TIFFIsTiled(tiff);
  const std::uint32_t count = tiled ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
  const std::uint64_t* byteCounts = nullptr;
  if (!TIFFGetField(tiff, tiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, &byteCounts) ||
      byteCounts == nullptr)
    return true;  // libtiff reports that itself
  const auto full = static_cast<std::int64_t>(tiled ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff));
  std::uint32_t height = 0, rowsPerStrip = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::int64_t most = MostDecodedFrom(compression, byteCounts[i]);
    std::int64_t needed = full;
    if (!tiled && rowsPerStrip != 0 && i + 1 == count && height % rowsPerStrip != 0)
      needed = static_cast<std::int64_t>(TIFFVStripSize64(tiff, height % rowsPerStrip));  // the last strip is shorter
    if (most < needed) return false;
  }
  return true;
}

// The picture, or its grey, at the fitted size, its rows going into `into`'s sink as they arrive.
template <class Picture>
TDecoded<Picture> Decoded(const QByteArray& bytes, RowSink (*into)(Picture&, QSize)) {
  MemoryFile file{bytes};
  const std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), KeepError, &file);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), LogWarning, nullptr);
  const std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt("picture", "r", &file, ReadBytes, WriteNothing, Seek,
                                                                 CloseNothing, SizeOf, Map, Unmap, options.get()));
  if (!tiff) return Damaged(file.lastError);
  std::uint32_t width = 0, height = 0;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
  if (const std::optional<TRefusal> refusal = SizeRefusal(width, height)) return *refusal;
  std::uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_COMPRESSION, &compression);
  // libtiff clears a strip's whole buffer before it finds that it has no decoder for the strip.
  if (TIFFIsCODECConfigured(compression) == 0)
    return TRefusal{TRefusalKind::UnsupportedLayout,
                    QStringLiteral("libtiff has no decoder for its compression method %1").arg(compression)};
  if (!StripsCanHoldTheirRows(tiff.get()))
    return TRefusal{TRefusalKind::Damaged, QStringLiteral("its strips hold too few bytes for their rows")};
  char message[1024] = "";
  TIFFRGBAImage image{};
  // What libtiff's RGBA reader cannot take is a layout it does not know.
  if (!TIFFRGBAImageOK(tiff.get(), message) || !TIFFRGBAImageBegin(&image, tiff.get(), 1, message))
    return TRefusal{TRefusalKind::UnsupportedLayout, QString::fromLatin1(message)};
  const std::unique_ptr<TIFFRGBAImage, void (*)(TIFFRGBAImage*)> ending(&image, TIFFRGBAImageEnd);
  // Rows as stored, top first; the orientation is applied to the fitted picture.
  const int orientation = image.orientation;
  // libtiff premultiplies colour by unassociated alpha, but passes grey through as stored.
  const bool premultiply = image.alpha == EXTRASAMPLE_UNASSALPHA &&
                           (image.photometric == PHOTOMETRIC_MINISBLACK || image.photometric == PHOTOMETRIC_MINISWHITE);
  image.req_orientation = image.orientation;

  const QSize size{int(width), int(height)};
  const QSize fitted = FittedSize(size);
  Picture picture;
  TFittedRows rows(size, fitted, into(picture, fitted));
  const int bandRows =
      BandRows(tiff.get(), size.width(), size.height(), std::int64_t{fitted.width()} * fitted.height() * 4);
  std::vector<std::uint32_t> band(std::size_t(width) * std::size_t(bandRows));
  for (int top = 0; top < size.height(); top += bandRows) {
    const int bandHeight = std::min(bandRows, size.height() - top);
    image.row_offset = top;
    if (!TIFFRGBAImageGet(&image, band.data(), width, std::uint32_t(bandHeight))) return Damaged(file.lastError);
    for (int y = 0; y < bandHeight; ++y) {
      const std::uint32_t* in = &band[std::size_t(y) * width];
      TAlphaColor* out = rows.Row(top + y);
      std::transform(in, in + width, out, FromTiff);
      if (premultiply) std::transform(out, out + width, out, Premultiply);
      rows.Done(top + y);
    }
  }
  if (orientation <= ORIENTATION_TOPLEFT || orientation > ORIENTATION_LEFTBOT) return picture;
  return Oriented(picture, orientation);
}

}  // namespace

bool IsTiff(const QByteArray& bytes) {
  return bytes.startsWith("II*\0") || bytes.startsWith("MM\0*") || bytes.startsWith("II+\0") ||
         bytes.startsWith("MM\0+");
}

TDecoded<TBitmap> DecodeTiff(const QByteArray& bytes) { return Decoded<TBitmap>(bytes, IntoBitmap); }

TDecoded<TGrayPlane> DecodeTiffGray(const QByteArray& bytes) { return Decoded<TGrayPlane>(bytes, IntoGray); }

}  // namespace tracella
