#include "QtPictureDecoder.h"

#include <QBuffer>
#include <QImageReader>

#include "BitmapImage.h"
#include "DecodeBudget.h"
#include "PictureCompleteness.h"

namespace tracella {
namespace {

// The formats none of our own decoders read.
bool IsFormatLeftToQt(const QByteArray& format) {
  static const QByteArrayList leftToQt{"bmp", "ico"};
  return leftToQt.contains(format);
}

// Qt's readers take several formats: the reason names the one it took the file for.
TRefusal Refused(TRefusalKind kind, const QByteArray& format, const QString& reason) {
  return {kind,
          QString::fromLatin1(format.isEmpty() ? QByteArray("unknown format") : format.toUpper()) + ": " + reason};
}

TRefusal Damaged(const QByteArray& format, const QString& reason) {
  return Refused(TRefusalKind::Damaged, format, reason);
}

// The size Qt's reader paints the picture at. For an icon it reports the size its directory
// gives, while a PNG entry is decoded at its own. For a BMP stored from the top it reports the
// height negative, as the header has it.
QSize PaintedSize(const QByteArray& format, const QByteArray& bytes, QSize reported) {
  const auto byte = [&bytes](qint64 at) { return at >= 0 && at < bytes.size() ? quint32(uchar(bytes[at])) : 0u; };
  const auto little16 = [&byte](qint64 at) { return byte(at) | byte(at + 1) << 8; };
  const auto little32 = [&](qint64 at) { return little16(at) | little16(at + 2) << 16; };
  const auto big32 = [&byte](qint64 at) {
    return byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
  };
  if (format == "bmp") return QSize(reported.width(), std::abs(reported.height()));
  if (format == "ico") {
    const qint64 entry = little32(6 + 12);  // the first directory entry's data
    if (bytes.mid(entry, 8) == QByteArray("\x89PNG\r\n\x1a\n", 8)) {
      const auto side = [](quint32 value) { return int(std::min<quint32>(value, 1u << 30)); };
      return reported.expandedTo(QSize(side(big32(entry + 16)), side(big32(entry + 20))));
    }
  }
  return reported;
}

// Most opaque pictures within MaxBitmapSize are read by Qt into an RGB32 image of the
// picture's size when it is handed one, and RGB32 (alpha 0xFF) is already opaque premultiplied
// BGRA: the bitmap's own memory is handed over and no pixel is copied. Any other picture comes
// back in an image of Qt's own and is converted.
TDecoded<TBitmap> ReadInto(QImageReader& reader, const QByteArray& format, QSize size) {
  TBitmap bitmap(size.width(), size.height());
  QImage image = ImageOver(bitmap, QImage::Format_RGB32);
  if (!reader.read(&image)) return Damaged(format, reader.errorString());
  const bool filledInPlace = image.constBits() == reinterpret_cast<const uchar*>(bitmap.Pixels()) &&
                             image.format() == QImage::Format_RGB32 && image.size() == size;
  if (filledInPlace) return bitmap;
  if (image.size() != size) return Damaged(format, QStringLiteral("it decoded at another size than announced"));
  return ToBitmap(std::move(image));
}

}  // namespace

TDecoded<TBitmap> DecodeWithQt(const QByteArray& bytes) {
  // Qt refuses larger pictures itself; the budget below is the real limit. Set once: the sketch
  // command decodes on several threads, and the setting is a plain global.
  [[maybe_unused]] static const bool limitSet = [] {
    QImageReader::setAllocationLimit(static_cast<int>(MaxDecodeBytes >> 20));
    return true;
  }();
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QByteArray format = reader.format();
  const QSize size = PaintedSize(format, bytes, reader.size());
  if (size.isEmpty()) return Damaged(format, QStringLiteral("no picture size in its header"));
  if (const std::optional<TRefusal> refusal = SizeRefusal(size.width(), size.height()))
    return Refused(refusal->kind, format, refusal->text);
  if (!HoldsWholePicture(format, bytes))
    return Damaged(format, QStringLiteral("the file ends or breaks off before its picture does"));
  if (FittedSize(size) == size) return ReadInto(reader, format, size);
  const QImage image = reader.read();
  if (image.isNull()) return Damaged(format, reader.errorString());
  if (image.size() != size) return Damaged(format, QStringLiteral("it decoded at another size than announced"));
  return FittedBitmap(image);
}

bool IsLeftToQt(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  return IsFormatLeftToQt(QImageReader(&buffer).format());
}

}  // namespace tracella
