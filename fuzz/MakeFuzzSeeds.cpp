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
      // Interlaced PNGs, which Qt cannot write: a small one in colour and alpha, and one wide enough
      // to be fitted pass by pass.
      {"interlaced-alpha.png",
       QByteArray("\x89\x50\x4E\x47\x0D\x0A\x1A\x0A\x00\x00\x00\x0D\x49\x48\x44\x52\x00\x00\x00\x09\x00\x00\x00\x07"
                  "\x08\x06\x00\x00\x01\xAD\x9C\x57\xF6\x00\x00\x01\x15\x49\x44\x41\x54\x78\xDA\x01\x0A\x01\xF5\xFE"
                  "\x00\x00\x25\x4A\x6F\x94\xB9\xDE\x03\x00\x28\x4D\x72\x97\x00\xBC\xE1\x06\x2B\x50\x75\x9A\xBF\xE4"
                  "\x09\x2E\x53\x00\x78\x9D\xC2\xE7\x0C\x31\x56\x7B\x01\xA0\xC5\xEA\x0F\x34\x59\x7E\xA3\x00\xC8\xED"
                  "\x12\x37\x5C\x81\xA6\xCB\xF0\x15\x3A\x5F\x84\xA9\xCE\xF3\x18\x3D\x62\x87\x01\xAC\xD1\xF6\x1B\x40"
                  "\x65\x8A\xAF\xD4\xF9\x1E\x43\x68\x8D\xB2\xD7\xFC\x21\x46\x6B\x00\x90\xB5\xDA\xFF\x24\x49\x6E\x93"
                  "\xB8\xDD\x02\x27\x4C\x71\x96\xBB\x01\xE0\x05\x2A\x4F\x74\x99\xBE\xE3\x08\x2D\x52\x77\x9C\xC1\xE6"
                  "\x0B\x02\x30\x55\x7A\x9F\xC4\xE9\x0E\x33\x58\x7D\xA2\xC7\xEC\x11\x36\x5B\x03\x80\xA5\xCA\xEF\x14"
                  "\x39\x5E\x83\xA8\xCD\xF2\x17\x3C\x61\x86\xAB\x00\xD0\xF5\x1A\x3F\x64\x89\xAE\xD3\xF8\x1D\x42\x67"
                  "\x8C\xB1\xD6\xFB\x20\x45\x6A\x8F\xB4\xD9\xFE\x23\x48\x6D\x92\xB7\xDC\x01\x26\x4B\x70\x95\xBA\xDF"
                  "\x01\x04\x29\x4E\x73\x98\xBD\xE2\x07\x2C\x51\x76\x9B\xC0\xE5\x0A\x2F\x54\x79\x9E\xC3\xE8\x0D\x32"
                  "\x57\x7C\xA1\xC6\xEB\x10\x35\x5A\x7F\xA4\xC9\xEE\x13\x02\x38\x5D\x82\xA7\xCC\xF1\x16\x3B\x60\x85"
                  "\xAA\xCF\xF4\x19\x3E\x63\x88\xAD\xD2\xF7\x1C\x41\x66\x8B\xB0\xD5\xFA\x1F\x44\x69\x8E\xB3\xD8\xFD"
                  "\x22\x47\xDF\x6A\x7C\xFE\x6E\xC1\xAD\xEC\x00\x00\x00\x00\x49\x45\x4E\x44\xAE\x42\x60\x82",
                  334)},
      {"interlaced-1-bit-8200x3.png",
       QByteArray("\x89\x50\x4E\x47\x0D\x0A\x1A\x0A\x00\x00\x00\x0D\x49\x48\x44\x52\x00\x00\x20\x08\x00\x00\x00\x03"
                  "\x01\x00\x00\x00\x01\x77\x28\xCC\xA4\x00\x00\x00\x2E\x49\x44\x41\x54\x78\xDA\x63\x38\x1C\x15\x35"
                  "\xB0\x88\x61\xD4\x05\x03\x8E\x18\xA2\x46\x7C\x10\x8C\xA6\x80\xD1\x50\x18\xD1\x88\x71\x34\x08\x46"
                  "\xCB\x80\xD1\x50\x18\x45\xA3\x68\xC4\x22\x00\x53\xE1\xDF\xFE\xF2\x1D\xA7\xE3\x00\x00\x00\x00\x49"
                  "\x45\x4E\x44\xAE\x42\x60\x82",
                  103)},
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
  };
  bool written = true;
  for (const auto& seed : seeds) written = Write(folder, seed.name, seed.bytes) && written;
  return written ? 0 : 1;
}
