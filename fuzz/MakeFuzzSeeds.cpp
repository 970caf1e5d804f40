// Writes the loader fuzzer's starting corpus into the folder given as argument: small valid
// pictures of all nine extensions, in the harness's layout (one byte choosing the extension,
// then the file). JPEG XR seeds are made by libjxr's JxrEncApp (libjxr-tools).
#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <algorithm>
#include <cstdio>

#include "PictureFiles.h"

namespace {

QImage Gradient(int width, int height, QImage::Format format) {
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, (x ^ y) * 16 % 256, 255 - x * 8 % 256));
  return image.convertToFormat(format);
}

struct Writing {
  int compression = -1;
  bool progressive = false;
};

QByteArray Encoded(const QImage& image, const char* format, Writing how = {}) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (how.compression >= 0) writer.setCompression(how.compression);
  writer.setProgressiveScanWrite(how.progressive);
  if (!writer.write(image)) std::fprintf(stderr, "cannot write %s: %s\n", format, qPrintable(writer.errorString()));
  return buffer.data();
}

// An uncompressed GIF with two frames over a 128-grey palette: 8-bit literal codes with a clear
// code every 100 pixels so the code width never grows.
QByteArray Gif(int width, int height) {
  const auto put16 = [](QByteArray& out, int value) { out.append(char(value & 0xFF)).append(char(value >> 8)); };
  QByteArray out("GIF89a");
  put16(out, width);
  put16(out, height);
  out.append(char(0xF6)).append('\0').append('\0');
  for (int i = 0; i < 128; ++i) out.append(3, char(2 * i));
  for (int frame = 0; frame < 2; ++frame) {
    out.append(char(0x2C));
    put16(out, 0);
    put16(out, 0);
    put16(out, width);
    put16(out, height);
    out.append('\0').append(char(7));
    QByteArray codes;
    for (int i = 0; i < width * height; ++i) {
      if (i % 100 == 0) codes.append(char(128));
      codes.append(char((i * (frame + 3)) & 0x7F));
    }
    codes.append(char(129));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
      const QByteArray block = codes.mid(at, 255);
      out.append(char(block.size())).append(block);
    }
    out.append('\0');
  }
  return out.append(char(0x3B));
}

QByteArray JpegXr(const QDir& folder, bool alpha) {
  const QString source = folder.filePath(alpha ? "jxr-source.tif" : "jxr-source.bmp");
  const QString target = folder.filePath("jxr-made.jxr");
  Gradient(16, 12, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB888).save(source, alpha ? "tiff" : "bmp");
  QStringList arguments{"-i", source, "-o", target};
  if (alpha) arguments += {"-c", "22"};
  QProcess::execute("JxrEncApp", arguments);
  QFile made(target);
  QByteArray bytes = made.open(QIODevice::ReadOnly) ? made.readAll() : QByteArray();
  QFile::remove(source);
  QFile::remove(target);
  if (bytes.isEmpty()) std::fprintf(stderr, "JxrEncApp (libjxr-tools) made no file\n");
  return bytes;
}

// The harness's first byte: where the name's extension stands in the loader's list.
char ExtensionByte(const QString& name) {
  const auto& extensions = tracella::PictureExtensions;
  const QString extension = name.mid(name.lastIndexOf(u'.'));
  return char(std::ranges::find_if(extensions, [&](const char* e) { return extension == QLatin1StringView(e); }) -
              extensions.begin());
}

bool Write(const QDir& folder, const QString& name, const QByteArray& bytes) {
  QFile file(folder.filePath(name));
  return !bytes.isEmpty() && file.open(QIODevice::WriteOnly) &&
         file.write(QByteArray(1, ExtensionByte(name)) + bytes) == bytes.size() + 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(".")) return 1;
  const QImage rgb = Gradient(16, 12, QImage::Format_RGB32);
  const QImage alpha = Gradient(16, 12, QImage::Format_ARGB32);
  const struct {
    const char* name;
    QByteArray bytes;
  } seeds[] = {
      {"rgb.bmp", Encoded(rgb, "bmp")},
      {"palette.bmp", Encoded(rgb.convertToFormat(QImage::Format_Indexed8), "bmp")},
      {"rgb.jpg", Encoded(rgb, "jpeg")},
      {"grey.jpg", Encoded(rgb.convertToFormat(QImage::Format_Grayscale8), "jpeg")},
      {"progressive.jpeg", Encoded(rgb, "jpeg", {.progressive = true})},
      {"alpha.png", Encoded(alpha, "png")},
      {"deep.png", Encoded(alpha.convertToFormat(QImage::Format_RGBA64), "png")},
      {"palette.png", Encoded(rgb.convertToFormat(QImage::Format_Indexed8), "png")},
      {"grey.png", Encoded(rgb.convertToFormat(QImage::Format_Grayscale8), "png")},
      {"frames.gif", Gif(16, 12)},
      {"rgb.tif", Encoded(rgb, "tiff")},
      {"lzw-alpha.tiff", Encoded(alpha, "tiff", {.compression = 1})},
      {"alpha.ico", Encoded(alpha, "ico")},
      {"rgb.wmp", JpegXr(folder, false)},
      {"alpha.wmp", JpegXr(folder, true)},
  };
  bool written = true;
  for (const auto& seed : seeds) written = Write(folder, seed.name, seed.bytes) && written;
  return written ? 0 : 1;
}
