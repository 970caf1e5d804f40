#include "QtPictureDecoder.h"

#include <QBuffer>
#include <QImageReader>

#include "BitmapImage.h"
#include "DecodeBudget.h"
#include "PictureCompleteness.h"

namespace tracella {
namespace {

bool IsAcceptedFormat(const QByteArray& format) {
  static const QByteArrayList accepted{"bmp", "jpeg", "jpg", "png", "gif", "tiff", "tif", "ico"};
  return accepted.contains(format);
}

// The size Qt's reader paints the picture at. For a GIF it reports the first frame's size but
// paints that frame on the logical screen of the file's header, which may be far larger.
QSize PaintedSize(const QByteArray& format, const QByteArray& bytes, QSize reported) {
  if (format != "gif" || bytes.size() < 10) return reported;
  const auto little16 = [&bytes](int at) { return int(uchar(bytes[at])) | int(uchar(bytes[at + 1])) << 8; };
  return reported.expandedTo(QSize(little16(6), little16(8)));
}

// A picture larger than its reader announced, and than a bitmap can hold, is not taken.
std::optional<TBitmap> Accepted(QImage image) {
  if (image.isNull() || FittedSize(image.size()) != image.size()) return std::nullopt;
  return ToBitmap(std::move(image));
}

// Most photographs are opaque, upright and within MaxBitmapSize: Qt's JPEG reader then fills an
// RGB32 image of the picture's size that it is handed, and RGB32 (alpha 0xFF) is already opaque
// premultiplied BGRA, so the bitmap's own memory is handed over and no pixel is copied. Any other
// picture comes back in an image of Qt's own and is converted.
std::optional<TBitmap> ReadInto(QImageReader& reader, QSize size) {
  TBitmap bitmap(size.width(), size.height());
  QImage image = ImageOver(bitmap, QImage::Format_RGB32);
  if (!reader.read(&image)) return std::nullopt;
  const bool filledInPlace = image.constBits() == reinterpret_cast<const uchar*>(bitmap.Pixels()) &&
                             image.format() == QImage::Format_RGB32 && image.size() == size;
  if (filledInPlace) return bitmap;
  return Accepted(std::move(image));
}

std::int64_t DecodePixels(const QByteArray& format, const QByteArray& bytes, QSize size, QSize fitted) {
  const bool jpeg = format == "jpeg" || format == "jpg";
  if (jpeg && !JpegKeepsWholeCoefficients(bytes)) return JpegDecodePixels(size, fitted);
  return std::int64_t{size.width()} * size.height();
}

}  // namespace

std::optional<TBitmap> DecodeWithQt(const QByteArray& bytes) {
  // Qt refuses larger pictures itself; the budget below is the real limit.
  QImageReader::setAllocationLimit(static_cast<int>(MaxDecodeBytes >> 20));
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAutoTransform(true);
  const QByteArray format = reader.format();
  if (!IsAcceptedFormat(format)) return std::nullopt;
  const QSize size = PaintedSize(format, bytes, reader.size());
  if (size.isEmpty()) return std::nullopt;
  const QSize fitted = FittedSize(size);
  if (DecodePixels(format, bytes, size, fitted) > MaxDecodePixels) return std::nullopt;
  if (!HoldsWholePicture(format, bytes)) return std::nullopt;
  if (fitted == size && reader.transformation() == QImageIOHandler::TransformationNone) return ReadInto(reader, size);
  if (fitted != size) reader.setScaledSize(fitted);
  return Accepted(reader.read());
}

}  // namespace tracella
