#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <ostream>

#include "Refusal.h"

namespace tracella {

// How a test failure shows a reason's kind.
void PrintTo(TRefusalKind kind, std::ostream* out);

}  // namespace tracella

namespace tracella::test {

// Picture files built in memory for the codec tests: formats Qt cannot write (GIF), layouts it
// does not write (several pictures, an EXIF orientation, a header that lies about the size).

QByteArray Encoded(const QImage& image, const char* format);
QByteArray ProgressiveJpeg(const QImage& image);

// One scan of a JPEG written by libjpeg: the components it carries, its band of coefficients
// (zigzag order) and its successive-approximation bits.
struct JpegScan {
  QList<int> components;
  int firstCoefficient = 0, lastCoefficient = 63, previousBit = 0, bit = 0;
};

// How libjpeg codes a picture: arithmetic instead of Huffman coding, its own progressive scans
// where none are given, a restart marker after every `restartRows` rows of blocks, the luma's
// sampling factors against the chroma's one.
struct JpegCoding {
  bool arithmetic = false, progressive = false;
  int restartRows = 0;
  int lumaAcross = 2, lumaDown = 2;
};

// `image` written by libjpeg in the given scans (libjpeg's own when none), grey in one component
// when the image is Format_Grayscale8, else in YCbCr.
QByteArray LibJpegEncoded(const QImage& image, const QList<JpegScan>& scans = {}, JpegCoding coding = {});

// Uncompressed GIF: every frame uses the same 128-entry palette (entry i is grey 2i).
QByteArray MakeGif(int width, int height, const QList<QByteArray>& frameIndices);

// One frame on a GIF's logical screen: its place and size, the global colour table (none when
// empty) and the frame's own (none when empty), the screen's background entry, the entry a
// graphic control extension makes transparent (none when -1) and whether it is interlaced.
struct GifLayout {
  int screenWidth = 0, screenHeight = 0, left = 0, top = 0, width = 0, height = 0;
  QList<QRgb> globalColors{}, localColors{};  // 2, 4, ... 256 entries
  int background = 0, transparent = -1;
  bool interlaced = false;
};

// The GIF written by giflib, the frame's colour indices given by `index` (x, y within the frame);
// an interlaced frame's rows are stored in its four passes.
QByteArray LibGifEncoded(const GifLayout& layout, const std::function<int(int x, int y)>& index);

// Baseline RGB TIFF, one page per image, directories before the pixel data, so cutting the file
// short cuts pixels and keeps the header. `orientation` is the TIFF orientation tag (1 = upright).
QByteArray MakeTiff(const QList<QImage>& pages, int orientation = 1);

// An uncompressed one-strip 8-bit grey TIFF of `samples` (grey, or grey and alpha when
// `extraSample` is 1, associated, or 2, unassociated), width x height; a BigTIFF when `big`.
QByteArray GreyTiff(int width, int height, const QByteArray& samples, int extraSample = 0, bool big = false);

// A TIFF whose header claims width x height but which holds only a few bytes of pixels.
QByteArray MakeTiffClaiming(quint32 width, quint32 height);

// An icon whose entries are the given pictures, in order.
QByteArray MakeIco(const QList<QImage>& entries);

// `image` written by libpng, Adam7-interlaced when `interlaced`: a Format_Mono image as 1-bit grey
// (bit 1 is white), a Format_Grayscale8 one as 8-bit grey, any other as 8-bit RGBA.
QByteArray LibPngEncoded(const QImage& image, bool interlaced);

// A valid PNG of `image` with its header rewritten to claim width x height (checksum redone).
QByteArray PngClaiming(const QImage& image, quint32 width, quint32 height);

// The JPEG with an EXIF block carrying `orientation` inserted after its start marker.
QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian = false);

// A lossless JPEG XR file of `image` made by libjxr's own encoder (JxrEncApp) in `workFolder`;
// with `alpha` the file carries an alpha plane; a 16-bit grey image stays 16-bit grey.
QByteArray MakeJpegXr(const QImage& image, const QString& workFolder, bool alpha = false);

// The JPEG XR file with the picture size in its bitstream header rewritten to 65536 x 65536.
QByteArray JpegXrClaimingHugeSize(QByteArray jpegXr);

// An 8-bit BMP with 256 grey palette entries (entry i is grey i) whose pixels are the RLE8
// `stream`, rows from the bottom as BMP stores them.
QByteArray MakeRle8Bmp(int width, int height, const QByteArray& stream);

// A 32-bit BMP of width x height `pixels` (top row first) laid out by `masks` (red, green, blue,
// then alpha if given) with a `headerSize`-byte info header: the masks follow a 40-byte header
// (compression 3, or 6 with alpha) and are the first fields of a longer one.
QByteArray BitFieldBmp(int headerSize, const QList<quint32>& masks, int width, int height,
                       const QList<quint32>& pixels);

// The uncompressed 24- or 32-bit BMP with its rows stored from the top, as a negative height says.
QByteArray TopDownBmp(const QByteArray& bottomUp);

// The JPEG with a stretch in the middle of its first scan's coded data set to zero.
QByteArray WithZeroedScan(const QByteArray& jpeg);

// Why `load` was refused: the kind of reason its EBitmapLoadingFailed carries; nothing when it
// loaded or threw anything else.
std::optional<TRefusalKind> RefusalOf(const std::function<void()>& load);

// Writes bytes to path; fails the calling test when it cannot.
void WriteFile(const QString& path, const QByteArray& bytes);

}  // namespace tracella::test
