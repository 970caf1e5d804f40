#include "PictureFiles.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <algorithm>
#include <new>

#include "BitmapImage.h"
#include "CodecsLog.h"
#include "DecodeBudget.h"
#include "JpegDecoder.h"
#include "JpegEncoder.h"
#include "JpegXrDecoder.h"
#include "PngDecoder.h"
#include "QtPictureDecoder.h"
#include "RegularFile.h"
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
  if (IsTiff(bytes)) return DecodeTiff(bytes);
  if (!IsJpegXr(bytes)) return DecodeWithQt(bytes);
  std::optional<QImage> image = DecodeJpegXr(bytes);
  if (!image) {
    LogRefusal(QStringLiteral("JPEG XR: libjxr could not decode it whole"));
    return std::nullopt;
  }
  return FittedBitmap(*image);
}

bool IsJpegExtension(const QString& extension) { return extension == u".jpg" || extension == u".jpeg"; }

TPictureRows RowsOf(const TBitmap& bitmap) {
  return {bitmap.Width(), bitmap.Height(), [&bitmap](int y) { return bitmap.ScanLine(y); }};
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
  if (IsJpegExtension(extension)) return EncodeJpeg(RowsOf(bitmap));
  // The bitmap's written pixels are not premultiplied; straight ARGB32 keeps every byte.
  if (extension == u".png") return Encode(ImageOver(bitmap, QImage::Format_ARGB32), "png");
  return std::nullopt;
}

// The picture, or EBitmapLoadingFailed naming `name`; the decoders' messages go to the log.
TBitmap Decoded(const QByteArray& bytes, const QString& name) {
  const QuietMessages quiet;
  try {
    std::optional<TBitmap> picture = Decode(bytes);
    if (!picture) throw EBitmapLoadingFailed(name);
    return std::move(*picture);
  } catch (const std::bad_alloc&) {
    LogRefusal(QStringLiteral("out of memory"));
    throw EBitmapLoadingFailed(name);
  }
}

}  // namespace

void LoadFromFile(TBitmap& target, const QString& path) {
  if (!IsPictureExtension(ExtensionOf(path))) {
    LogRefusal(QStringLiteral("no decoder for the extension \"%1\"").arg(ExtensionOf(path)));
    throw EBitmapLoadingFailed(path);
  }
  const std::unique_ptr<MappedFile> file = MapRegularFile(path, MaxPictureFileBytes);
  TBitmap picture = Decoded(file->Bytes(), path);
  if (file->Shrank()) {
    LogRefusal(QStringLiteral("the file became shorter while it was read"));
    throw EBitmapLoadingFailed(path);
  }
  target = std::move(picture);
}

void LoadFromBytes(TBitmap& target, const QByteArray& bytes, const QString& name) { target = Decoded(bytes, name); }

QByteArray EncodeForExtension(const TBitmap& bitmap, const QString& extension) {
  const std::optional<QByteArray> bytes = EncodeFor(bitmap, extension.toLower());
  if (!bytes) throw EBitmapSavingFailed();
  return *bytes;
}

void SaveToFile(const TBitmap& bitmap, const QString& path) {
  WriteNewFile(path, EncodeForExtension(bitmap, ExtensionOf(path)));
}

void SaveToFile(const TPictureRows& picture, const QString& path) {
  if (!IsJpegExtension(ExtensionOf(path))) {
    TBitmap whole(picture.Width, picture.Height);
    for (int y = 0; y < picture.Height; ++y) std::copy_n(picture.Row(y), picture.Width, whole.ScanLine(y));
    return SaveToFile(whole, path);
  }
  const std::optional<QByteArray> bytes = EncodeJpeg(picture);
  if (!bytes) throw EBitmapSavingFailed();
  WriteNewFile(path, *bytes);
}

}  // namespace tracella
