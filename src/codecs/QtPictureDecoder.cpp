#include "QtPictureDecoder.h"

#include <QBuffer>
#include <QImageReader>

#include "DecodeBudget.h"
#include "PictureCompleteness.h"

namespace tracella {
namespace {

bool IsAcceptedFormat(const QByteArray& format) {
  static const QByteArrayList accepted{"bmp", "jpeg", "jpg", "png", "gif", "tiff", "tif", "ico"};
  return accepted.contains(format);
}

std::int64_t DecodePixels(const QByteArray& format, QSize size, QSize fitted) {
  if (format == "jpeg" || format == "jpg") return JpegDecodePixels(size, fitted);
  return std::int64_t{size.width()} * size.height();
}

}  // namespace

std::optional<QImage> DecodeWithQt(const QByteArray& bytes) {
  // Qt refuses larger pictures itself; the budget below is the real limit.
  QImageReader::setAllocationLimit(static_cast<int>(MaxDecodeBytes >> 20));
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAutoTransform(true);
  const QByteArray format = reader.format();
  if (!IsAcceptedFormat(format)) return std::nullopt;
  const QSize size = reader.size();
  if (size.isEmpty()) return std::nullopt;
  const QSize fitted = FittedSize(size);
  if (DecodePixels(format, size, fitted) > MaxDecodePixels) return std::nullopt;
  if (!HoldsWholePicture(format, bytes)) return std::nullopt;
  if (fitted != size) reader.setScaledSize(fitted);
  QImage image = reader.read();
  if (image.isNull()) return std::nullopt;
  return image;
}

}  // namespace tracella
