#include "PictureFiles.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <cstring>
#include <new>

#include "DecodeBudget.h"
#include "JpegXrDecoder.h"
#include "QtPictureDecoder.h"
#include "RegularFile.h"

namespace tracella {
namespace {

// The text from the last full stop of the file name, lower-cased; empty without one.
QString ExtensionOf(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf(u'.');
  return dot < 0 ? QString() : name.mid(dot).toLower();
}

bool IsPictureExtension(const QString& extension) {
  static const QStringList accepted{".bmp", ".jpg", ".jpeg", ".png", ".gif", ".tif", ".tiff", ".ico", ".wmp"};
  return accepted.contains(extension);
}

std::optional<QImage> Decode(const QByteArray& bytes) {
  if (!IsJpegXr(bytes)) return DecodeWithQt(bytes);
  std::optional<QImage> image = DecodeJpegXr(bytes);
  if (image && FittedSize(image->size()) != image->size())
    image = image->scaled(FittedSize(image->size()), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return image;
}

// The one place where a decoded picture becomes our bitmap: premultiplied ARGB32 is BGRA in memory.
TBitmap ToBitmap(QImage image) {
  image.convertTo(QImage::Format_ARGB32_Premultiplied);
  TBitmap bitmap(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(bitmap.ScanLine(y), image.constScanLine(y), static_cast<std::size_t>(image.width()) * 4);
  return bitmap;
}

// The bitmap's pixels seen by Qt, without a copy.
QImage View(const TBitmap& bitmap, QImage::Format format) {
  return QImage(reinterpret_cast<const uchar*>(bitmap.Pixels()), bitmap.Width(), bitmap.Height(),
                static_cast<qsizetype>(bitmap.Width()) * 4, format);
}

// The file's bytes, or nothing when the encoder fails. The quality is the encoder's default
// (75 for Qt's JPEG writer).
std::optional<QByteArray> Encode(const QImage& image, const char* format) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (image.isNull() || !writer.write(image)) return std::nullopt;
  return buffer.data();
}

std::optional<QByteArray> EncodeFor(const TBitmap& bitmap, const QString& extension) {
  // JPEG has no alpha: the colour channels are written as stored, the alpha byte is dropped.
  if (extension == u".jpg" || extension == u".jpeg")
    return Encode(View(bitmap, QImage::Format_RGB32).convertToFormat(QImage::Format_RGB888), "jpeg");
  // The bitmap's written pixels are not premultiplied; straight ARGB32 keeps every byte.
  if (extension == u".png") return Encode(View(bitmap, QImage::Format_ARGB32), "png");
  return std::nullopt;
}

}  // namespace

void LoadFromFile(TBitmap& target, const QString& path) {
  if (!IsPictureExtension(ExtensionOf(path))) throw EBitmapLoadingFailed(path);
  const QByteArray bytes = ReadRegularFile(path, MaxPictureFileBytes);
  try {
    std::optional<QImage> image = Decode(bytes);
    if (!image) throw EBitmapLoadingFailed(path);
    target = ToBitmap(std::move(*image));
  } catch (const std::bad_alloc&) {
    throw EBitmapLoadingFailed(path);
  }
}

void SaveToFile(const TBitmap& bitmap, const QString& path) {
  const std::optional<QByteArray> bytes = EncodeFor(bitmap, ExtensionOf(path));
  if (!bytes) throw EBitmapSavingFailed();
  WriteNewFile(path, *bytes);
}

}  // namespace tracella
