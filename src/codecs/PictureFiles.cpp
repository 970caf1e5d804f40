#include "PictureFiles.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <new>

#include "BitmapImage.h"
#include "BmpDecoder.h"
#include "CodecsLog.h"
#include "DecodeBudget.h"
#include "GifDecoder.h"
#include "JpegDecoder.h"
#include "JpegEncoder.h"
#include "JpegXrDecoder.h"
#include "PngDecoder.h"
#include "PngEncoder.h"
#include "QtPictureDecoder.h"
#include "RegularFile.h"
#include "SketchPasses.h"
#include "TiffDecoder.h"

namespace tracella {
namespace {

// The text from the last full stop of the file name, lower-cased; empty without one.
QString ExtensionOf(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf(u'.');
  return dot < 0 ? QString() : name.mid(dot).toLower();
}

bool IsPictureExtension(const QString& extension) {
  return std::ranges::any_of(PictureExtensions,
                             [&](const char* accepted) { return extension == QLatin1StringView(accepted); });
}

std::optional<TBitmap> Decode(const QByteArray& bytes) {
  if (IsJpeg(bytes)) return DecodeJpeg(bytes);
  if (IsPng(bytes)) return DecodePng(bytes);
  if (IsGif(bytes)) return DecodeGif(bytes);
  if (IsTiff(bytes)) return DecodeTiff(bytes);
  if (IsBitFieldBmp(bytes)) return DecodeBitFieldBmp(bytes);
  if (IsRleBmp(bytes)) return DecodeRleBmp(bytes);
  if (!IsJpegXr(bytes)) return DecodeWithQt(bytes);
  std::optional<TBitmap> picture = DecodeJpegXr(bytes);
  if (!picture) LogRefusal(QStringLiteral("JPEG XR: libjxr could not decode it whole"));
  return picture;
}

bool IsJpegExtension(const QString& extension) { return extension == u".jpg" || extension == u".jpeg"; }

// A JPEG goes straight to its grey; the other formats are decoded whole, reduced to their grey and
// let go at once.
std::optional<TGrayPlane> DecodeGray(const QByteArray& bytes) {
  if (IsJpeg(bytes)) return DecodeJpegGray(bytes);
  const std::optional<TBitmap> picture = Decode(bytes);
  if (!picture) return std::nullopt;
  TGrayPlane gray;
  MakeGray(*picture, gray);
  return gray;
}

// The file's bytes, or nothing when the encoder fails.
std::optional<QByteArray> Encode(const QImage& image, const char* format) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (image.isNull() || !writer.write(image)) return std::nullopt;
  return buffer.data();
}

std::optional<QByteArray> EncodeFor(const TBitmap& bitmap, const QString& extension) {
  // JPEG has no alpha: the colour channels are written as stored, the alpha byte is dropped.
  if (IsJpegExtension(extension)) {
    QByteArray bytes;
    const bool encoded = EncodeJpeg(RowsOf(bitmap), [&bytes](const char* data, std::size_t count) {
      bytes.append(data, static_cast<qsizetype>(count));
      return true;
    });
    return encoded ? std::optional(bytes) : std::nullopt;
  }
  // The bitmap's written pixels are not premultiplied; straight ARGB32 keeps every byte.
  if (extension == u".png") return Encode(ImageOver(bitmap, QImage::Format_ARGB32), "png");
  return std::nullopt;
}

// What `decode` makes of the bytes (a picture or its grey), or EBitmapLoadingFailed naming `name`;
// the decoders' messages go to the log.
template <class Decode>
auto Decoded(const QByteArray& bytes, const QString& name, const Decode& decode) {
  const QuietMessages quiet;
  try {
    auto picture = decode(bytes);
    if (!picture) throw EBitmapLoadingFailed(name);
    return std::move(*picture);
  } catch (const std::bad_alloc&) {
    LogRefusal(QStringLiteral("out of memory"));
    throw EBitmapLoadingFailed(name);
  }
}

bool IsReadFormat(const QByteArray& bytes) {
  return IsJpeg(bytes) || IsPng(bytes) || IsGif(bytes) || IsTiff(bytes) || IsJpegXr(bytes) || IsLeftToQt(bytes);
}

// What `decode` makes of bytes that must say by their content what they are.
template <class Decode>
auto DecodedByContent(const QByteArray& bytes, const QString& name, const Decode& decode) {
  if (!IsReadFormat(bytes)) throw ENotAPicture(name);
  return Decoded(bytes, name, decode);
}

// What admits a file to its decoder: a picture's extension in its name, or its content.
enum class Admit { ByExtension, ByContent };

template <class Decode>
auto LoadedFile(const QString& path, Admit admit, const Decode& decode) {
  if (admit == Admit::ByExtension && !IsPictureExtension(ExtensionOf(path))) {
    LogRefusal(QStringLiteral("no decoder for the extension \"%1\"").arg(ExtensionOf(path)));
    throw EBitmapLoadingFailed(path);
  }
  const std::unique_ptr<MappedFile> file = MapRegularFile(path, MaxPictureFileBytes);
  if (!file) {
    LogRefusal(QStringLiteral("larger than any accepted picture needs"));
    throw EBitmapLoadingFailed(path);
  }
  auto picture =
      admit == Admit::ByContent ? DecodedByContent(file->Bytes(), path, decode) : Decoded(file->Bytes(), path, decode);
  if (file->Shrank()) {
    LogRefusal(QStringLiteral("the file became shorter while it was read"));
    throw EBitmapLoadingFailed(path);
  }
  return picture;
}

}  // namespace

void LoadFromFile(TBitmap& target, const QString& path) { target = LoadedFile(path, Admit::ByExtension, Decode); }

void LoadFromFileByContent(TBitmap& target, const QString& path) {
  target = LoadedFile(path, Admit::ByContent, Decode);
}

void LoadGrayFromFile(TGrayPlane& target, const QString& path) {
  target = LoadedFile(path, Admit::ByExtension, DecodeGray);
}

void LoadGrayFromFileByContent(TGrayPlane& target, const QString& path) {
  target = LoadedFile(path, Admit::ByContent, DecodeGray);
}

qint64 AnnouncedPixels(const QString& path) {
  if (path == u"-") return 0;
  const QuietMessages quiet;  // a damaged header is the decoder's to report
  QImageReader reader(path);
  // Qt's TIFF reader lets libtiff print to the terminal; TIFFs are left unestimated.
  if (reader.format() == "tiff") return 0;
  const QSize size = reader.size();
  return size.isValid() ? qint64{size.width()} * size.height() : 0;
}

void LoadFromBytes(TBitmap& target, const QByteArray& bytes, const QString& name) {
  target = DecodedByContent(bytes, name, Decode);
}

void LoadGrayFromBytes(TGrayPlane& target, const QByteArray& bytes, const QString& name) {
  target = DecodedByContent(bytes, name, DecodeGray);
}

QByteArray EncodeForExtension(const TBitmap& bitmap, const QString& extension) {
  const std::optional<QByteArray> bytes = EncodeFor(bitmap, extension.toLower());
  if (!bytes) throw EBitmapSavingFailed();
  return *bytes;
}

void WriteJpegFile(const TPictureRows& picture, const ByteSink& sink) {
  if (!EncodeJpeg(picture, sink)) throw EBitmapSavingFailed();
}

void WriteTwoColorPngFile(const TPictureRows& picture, TAlphaColor painted, TAlphaColor paper, TAlphaColor line,
                          const ByteSink& sink) {
  if (!EncodeTwoColorPng(picture, painted, paper, line, sink)) throw EBitmapSavingFailed();
}

void SaveToFile(const TBitmap& bitmap, const QString& path) {
  const QByteArray bytes = EncodeForExtension(bitmap, ExtensionOf(path));
  WriteNewFile(path, WriterOf(bytes));
}

void SaveToFile(const TPictureRows& picture, const QString& path) {
  if (!IsJpegExtension(ExtensionOf(path))) {
    TBitmap whole(picture.Width, picture.Height);
    for (int y = 0; y < picture.Height; ++y) std::copy_n(picture.Row(y), picture.Width, whole.ScanLine(y));
    return SaveToFile(whole, path);
  }
  WriteNewFile(path, [&picture](const ByteSink& sink) { WriteJpegFile(picture, sink); });
}

}  // namespace tracella
