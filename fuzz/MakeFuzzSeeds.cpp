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
// code every 100 pixels so the code width never grows. Interlaced, the same codes are read as
// rows in four passes.
QByteArray Gif(int width, int height, bool interlaced = false) {
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
    out.append(interlaced ? char(0x40) : '\0').append(char(7));
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
      {"interlaced.gif", Gif(16, 12, true)},
      {"rgb.tif", Encoded(rgb, "tiff")},
      {"lzw-alpha.tiff", Encoded(alpha, "tiff", {.compression = 1})},
      {"alpha.ico", Encoded(alpha, "ico")},
      {"rgb.wmp", JpegXr(folder, false)},
      {"alpha.wmp", JpegXr(folder, true)},
      // Layouts Qt's readers or libtiff once got wrong: a BMP with the 56-byte header and alpha, a
      // BigTIFF in grey with unassociated alpha, a deflate strip far too short for its 11585² rows.
      {"v3-alpha.bmp",
       QByteArray("\x42\x4D\x4E\x00\x00\x00\x00\x00\x00\x00\x46\x00\x00\x00\x38\x00\x00\x00\x02\x00\x00\x00\x01\x00"
                  "\x00\x00\x01\x00\x20\x00\x03\x00\x00\x00\x08\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                  "\x00\x00\x00\x00\x00\x00\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00\x00\x00\x00\x00\xFF\x00\xFF"
                  "\xFF\x80\x56\x34\x12\x00",
                  78)},
      {"grey-alpha-big.tif",
       QByteArray("\x49\x49\x2B\x00\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00\x00\x00\x0A\x00\x00\x00\x00\x00\x00\x00"
                  "\x00\x01\x04\x00\x01\x00\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x01\x01\x04\x00"
                  "\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x02\x01\x03\x00\x02\x00\x00\x00"
                  "\x00\x00\x00\x00\x08\x00\x08\x00\x00\x00\x00\x00\x03\x01\x03\x00\x01\x00\x00\x00\x00\x00\x00\x00"
                  "\x01\x00\x00\x00\x00\x00\x00\x00\x06\x01\x03\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00"
                  "\x00\x00\x00\x00\x11\x01\x04\x00\x01\x00\x00\x00\x00\x00\x00\x00\xE8\x00\x00\x00\x00\x00\x00\x00"
                  "\x15\x01\x03\x00\x01\x00\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x16\x01\x04\x00"
                  "\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x17\x01\x04\x00\x01\x00\x00\x00"
                  "\x00\x00\x00\x00\x04\x00\x00\x00\x00\x00\x00\x00\x52\x01\x03\x00\x01\x00\x00\x00\x00\x00\x00\x00"
                  "\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xF0\x80\xC8\x00",
                  236)},
      {"deflate-strip-too-short.tif",
       QByteArray("\x49\x49\x2A\x00\x08\x00\x00\x00\x09\x00\x00\x01\x04\x00\x01\x00\x00\x00\x41\x2D\x00\x00\x01\x01"
                  "\x04\x00\x01\x00\x00\x00\x41\x2D\x00\x00\x02\x01\x03\x00\x01\x00\x00\x00\x08\x00\x00\x00\x03\x01"
                  "\x03\x00\x01\x00\x00\x00\x08\x00\x00\x00\x06\x01\x03\x00\x01\x00\x00\x00\x01\x00\x00\x00\x11\x01"
                  "\x04\x00\x01\x00\x00\x00\x7A\x00\x00\x00\x15\x01\x03\x00\x01\x00\x00\x00\x01\x00\x00\x00\x16\x01"
                  "\x04\x00\x01\x00\x00\x00\x41\x2D\x00\x00\x17\x01\x04\x00\x01\x00\x00\x00\x11\x00\x00\x00\x00\x00"
                  "\x00\x00\x78\x9C\x63\x60\x18\x05\xA3\x60\x14\x0C\x77\x00\x00\x03\xE8\x00\x01",
                  139)},
      // Arithmetic-coded, progressive, a restart marker after every row of blocks (cjpeg
      // -arithmetic -progressive -restart 1): Qt's writer makes no such JPEG.
      {"arithmetic.jpg",
       QByteArray("\xFF\xD8\xFF\xE0\x00\x10\x4A\x46\x49\x46\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xFF\xDB\x00\x43"
                  "\x00\x08\x06\x06\x07\x06\x05\x08\x07\x07\x07\x09\x09\x08\x0A\x0C\x14\x0D\x0C\x0B\x0B\x0C\x19\x12"
                  "\x13\x0F\x14\x1D\x1A\x1F\x1E\x1D\x1A\x1C\x1C\x20\x24\x2E\x27\x20\x22\x2C\x23\x1C\x1C\x28\x37\x29"
                  "\x2C\x30\x31\x34\x34\x34\x1F\x27\x39\x3D\x38\x32\x3C\x2E\x33\x34\x32\xFF\xDB\x00\x43\x01\x09\x09"
                  "\x09\x0C\x0B\x0C\x18\x0D\x0D\x18\x32\x21\x1C\x21\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32"
                  "\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32"
                  "\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\x32\xFF\xCA\x00\x11\x08\x00\x0C\x00\x10\x03"
                  "\x01\x22\x00\x02\x11\x01\x03\x11\x01\xFF\xCC\x00\x06\x00\x10\x01\x10\xFF\xDD\x00\x04\x00\x01\xFF"
                  "\xDA\x00\x0C\x03\x01\x00\x02\x10\x03\x10\x00\x00\x01\xFF\x00\x22\x72\x2A\xA9\x8B\xFF\xCC\x00\x04"
                  "\x10\x05\xFF\xDD\x00\x04\x00\x02\xFF\xDA\x00\x08\x01\x01\x00\x01\x05\x02\x18\x14\x05\x91\xE0\xFF"
                  "\xD0\x1A\xE3\xD8\x61\x80\xFF\xCC\x00\x04\x11\x05\xFF\xDD\x00\x04\x00\x01\xFF\xDA\x00\x08\x01\x03"
                  "\x01\x01\x3F\x01\x15\xC5\x7D\x7B\xFF\xCC\x00\x04\x11\x05\xFF\xDA\x00\x08\x01\x02\x01\x01\x3F\x01"
                  "\x43\x6F\x0E\x12\x5F\x8A\xB3\xE6\xFF\xCC\x00\x04\x10\x05\xFF\xDD\x00\x04\x00\x02\xFF\xDA\x00\x08"
                  "\x01\x01\x00\x06\x3F\x02\xC0\xFF\xD0\xC0\xFF\xCC\x00\x04\x10\x05\xFF\xDA\x00\x08\x01\x01\x00\x01"
                  "\x3F\x21\xD3\x40\x80\xFF\xD0\xD3\x40\x80\xFF\xDD\x00\x04\x00\x01\xFF\xDA\x00\x0C\x03\x01\x00\x02"
                  "\x00\x03\x00\x00\x00\x10\x1C\xFF\xCC\x00\x04\x11\x05\xFF\xDA\x00\x08\x01\x03\x01\x01\x3F\x10\x94"
                  "\x80\xFF\xCC\x00\x04\x11\x05\xFF\xDA\x00\x08\x01\x02\x01\x01\x3F\x10\xB5\x6D\x13\x5A\x11\x0F\xA3"
                  "\x1F\xDE\x79\x80\xFF\xCC\x00\x04\x10\x05\xFF\xDD\x00\x04\x00\x02\xFF\xDA\x00\x08\x01\x01\x00\x01"
                  "\x3F\x10\x54\x92\xDD\x9A\x8E\x60\xFF\xD0\x43\x82\x9D\x71\xFF\xD9",
                  448)},
  };
  bool written = true;
  for (const auto& seed : seeds) written = Write(folder, seed.name, seed.bytes) && written;
  return written ? 0 : 1;
}
