#include "CodecFixtures.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "FileErrors.h"
// then
#include <jpeglib.h>

namespace tracella::test {
namespace {

void Put16(QByteArray& out, quint16 value) {
  out.append(char(value & 0xFF));
  out.append(char(value >> 8));
}

void Put32(QByteArray& out, quint32 value) {
  Put16(out, quint16(value & 0xFFFF));
  Put16(out, quint16(value >> 16));
}

void Set32(QByteArray& out, qsizetype at, quint32 value) { qToLittleEndian(value, out.data() + at); }

quint32 Crc32(const char* data, qsizetype size) {
  quint32 crc = 0xFFFFFFFFu;
  for (qsizetype i = 0; i < size; ++i) {
    crc ^= quint8(data[i]);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// One TIFF directory entry: tag, type (3 SHORT, 4 LONG), count 1, value.
void PutEntry(QByteArray& out, quint16 tag, quint16 type, quint32 value) {
  Put16(out, tag);
  Put16(out, type);
  Put32(out, 1);
  if (type == 3) {
    Put16(out, quint16(value));
    Put16(out, 0);
  } else {
    Put32(out, value);
  }
}

struct TiffPage {
  quint32 width, height, pixelBytes;
};

// Header and directories for `pages`; the pixels of page i follow the directories, in order.
QByteArray TiffDirectories(const QList<TiffPage>& pages, int orientation) {
  constexpr int entries = 11;
  constexpr quint32 directorySize = 2 + entries * 12 + 4;
  constexpr quint32 bitsSize = 6;
  QByteArray out("II*\0", 4);
  Put32(out, 8);
  quint32 pixelsAt = 8 + quint32(pages.size()) * (directorySize + bitsSize);
  for (qsizetype i = 0; i < pages.size(); ++i) {
    const TiffPage& page = pages[i];
    const quint32 bitsAt = quint32(out.size()) + directorySize;
    Put16(out, entries);
    PutEntry(out, 256, 4, page.width);
    PutEntry(out, 257, 4, page.height);
    Put16(out, 258);
    Put16(out, 3);
    Put32(out, 3);
    Put32(out, bitsAt);
    PutEntry(out, 259, 3, 1);  // no compression
    PutEntry(out, 262, 3, 2);  // RGB
    PutEntry(out, 273, 4, pixelsAt);
    PutEntry(out, 274, 3, quint32(orientation));
    PutEntry(out, 277, 3, 3);
    PutEntry(out, 278, 4, page.height);
    PutEntry(out, 279, 4, page.pixelBytes);
    PutEntry(out, 284, 3, 1);  // interleaved
    Put32(out, i + 1 < pages.size() ? bitsAt + bitsSize : 0);
    Put16(out, 8);
    Put16(out, 8);
    Put16(out, 8);
    pixelsAt += page.pixelBytes;
  }
  return out;
}

}  // namespace

QByteArray Encoded(const QImage& image, const char* format) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
  return buffer.data();
}

QByteArray ProgressiveJpeg(const QImage& image) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setProgressiveScanWrite(true);
  EXPECT_TRUE(writer.write(image));
  return buffer.data();
}

QByteArray LibJpegEncoded(const QImage& image, const QList<JpegScan>& scans, JpegCoding coding) {
  const bool grey = image.format() == QImage::Format_Grayscale8;
  const QImage pixels = grey ? image : image.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct encoder{};
  jpeg_error_mgr errors{};
  encoder.err = jpeg_std_error(&errors);  // a bad scan list ends the test program: fixtures are ours
  jpeg_create_compress(&encoder);
  unsigned char* out = nullptr;
  unsigned long size = 0;  // NOLINT(google-runtime-int): libjpeg's type
  jpeg_mem_dest(&encoder, &out, &size);
  encoder.image_width = JDIMENSION(pixels.width());
  encoder.image_height = JDIMENSION(pixels.height());
  encoder.input_components = grey ? 1 : 3;
  encoder.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&encoder);
  encoder.arith_code = coding.arithmetic ? TRUE : FALSE;
  encoder.restart_in_rows = coding.restartRows;
  if (!grey) {
    encoder.comp_info[0].h_samp_factor = coding.lumaAcross;
    encoder.comp_info[0].v_samp_factor = coding.lumaDown;
  }
  if (coding.progressive) jpeg_simple_progression(&encoder);
  std::vector<jpeg_scan_info> script;
  for (const JpegScan& scan : scans) {
    jpeg_scan_info info{};
    info.comps_in_scan = int(scan.components.size());
    for (int i = 0; i < info.comps_in_scan; ++i) info.component_index[i] = scan.components[i];
    info.Ss = scan.firstCoefficient;
    info.Se = scan.lastCoefficient;
    info.Ah = scan.previousBit;
    info.Al = scan.bit;
    script.push_back(info);
  }
  if (!script.empty()) {
    encoder.scan_info = script.data();
    encoder.num_scans = int(script.size());
  }
  jpeg_start_compress(&encoder, TRUE);
  while (encoder.next_scanline < encoder.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.constScanLine(int(encoder.next_scanline)));
    jpeg_write_scanlines(&encoder, &row, 1);
  }
  jpeg_finish_compress(&encoder);
  jpeg_destroy_compress(&encoder);
  QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
  std::free(out);  // NOLINT(cppcoreguidelines-no-malloc): jpeg_mem_dest's buffer
  return bytes;
}

QByteArray BitFieldBmp(int headerSize, const QList<quint32>& masks, int width, int height,
                       const QList<quint32>& pixels) {
  const bool masksAfter = headerSize == 40;
  const quint32 pixelsAt = 14 + quint32(headerSize) + (masksAfter ? 4 * quint32(masks.size()) : 0);
  QByteArray out("BM");
  Put32(out, pixelsAt + 4 * quint32(pixels.size()));
  Put32(out, 0);
  Put32(out, pixelsAt);
  Put32(out, quint32(headerSize));
  Put32(out, quint32(width));
  Put32(out, quint32(height));
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, masksAfter && masks.size() == 4 ? 6 : 3);
  out.append(20, '\0');  // image size, resolutions, palette counts
  QByteArray maskBytes;
  for (const quint32 mask : masks) Put32(maskBytes, mask);
  out.append(maskBytes.leftJustified(masksAfter ? maskBytes.size() : headerSize - 40, '\0'));
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x) Put32(out, pixels[y * width + x]);
  return out;
}

QByteArray MakeGif(int width, int height, const QList<QByteArray>& frameIndices) {
  QByteArray out("GIF89a");
  Put16(out, quint16(width));
  Put16(out, quint16(height));
  out.append(char(0xF6)).append('\0').append('\0');  // 128-entry global palette
  for (int i = 0; i < 128; ++i) out.append(3, char(2 * i));
  for (const QByteArray& indices : frameIndices) {
    out.append(char(0x2C));
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, quint16(width));
    Put16(out, quint16(height));
    out.append('\0');
    out.append(char(7));  // 7-bit minimum code size: 8-bit codes while the table stays small
    // Literal codes only, with a clear code every 100 pixels so the code width never grows.
    QByteArray codes;
    for (qsizetype i = 0; i < indices.size(); ++i) {
      if (i % 100 == 0) codes.append(char(128));
      codes.append(char(indices[i] & 0x7F));
    }
    codes.append(char(129));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
      const QByteArray block = codes.mid(at, 255);
      out.append(char(block.size())).append(block);
    }
    out.append('\0');
  }
  out.append(char(0x3B));
  return out;
}

QByteArray LibGifEncoded(const GifLayout& layout, const std::function<int(int x, int y)>& index) {
  const auto tableOf = [](const QList<QRgb>& colors) -> ColorMapObject* {
    if (colors.isEmpty()) return nullptr;
    std::vector<GifColorType> entries;
    for (const QRgb color : colors)
      entries.push_back({GifByteType(qRed(color)), GifByteType(qGreen(color)), GifByteType(qBlue(color))});
    return GifMakeMapObject(int(entries.size()), entries.data());
  };
  ColorMapObject* global = tableOf(layout.globalColors);
  ColorMapObject* local = tableOf(layout.localColors);
  QByteArray out;
  int error = 0;
  GifFileType* gif = EGifOpen(
      &out,
      [](GifFileType* file, const GifByteType* bytes, int count) {
        static_cast<QByteArray*>(file->UserData)->append(reinterpret_cast<const char*>(bytes), count);
        return count;
      },
      &error);
  EGifSetGifVersion(gif, true);
  bool written =
      EGifPutScreenDesc(gif, layout.screenWidth, layout.screenHeight, 8, layout.background, global) == GIF_OK;
  if (layout.transparent >= 0) {
    const GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, layout.transparent};
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    written = written && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
  }
  written = written && EGifPutImageDesc(gif, layout.left, layout.top, layout.width, layout.height, layout.interlaced,
                                        local) == GIF_OK;
  std::vector<int> rows;
  const int firstRow[] = {0, 4, 2, 1}, rowStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < (layout.interlaced ? 4 : 1); ++pass)
    for (int y = layout.interlaced ? firstRow[pass] : 0; y < layout.height; y += layout.interlaced ? rowStep[pass] : 1)
      rows.push_back(y);
  std::vector<GifPixelType> line(static_cast<std::size_t>(layout.width));
  for (const int y : rows) {
    for (int x = 0; x < layout.width; ++x) line[std::size_t(x)] = GifPixelType(index(x, y));
    written = written && EGifPutLine(gif, line.data(), layout.width) == GIF_OK;
  }
  written = EGifCloseFile(gif, &error) == GIF_OK && written;
  GifFreeMapObject(global);
  GifFreeMapObject(local);
  EXPECT_TRUE(written) << "giflib could not write the GIF: " << GifErrorString(error);
  return out;
}

QByteArray MakeTiff(const QList<QImage>& pages, int orientation) {
  QList<TiffPage> layout;
  QByteArray pixels;
  for (const QImage& page : pages) {
    const QImage rgb = page.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y)
      pixels.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), qsizetype(rgb.width()) * 3);
    layout.append({quint32(rgb.width()), quint32(rgb.height()), quint32(rgb.width() * rgb.height() * 3)});
  }
  return TiffDirectories(layout, orientation) + pixels;
}

QByteArray GreyTiff(int width, int height, const QByteArray& samples, int extraSample, bool big) {
  // Entries in tag order; the values, even BitsPerSample's one 8 per sample, fit in the entry.
  const quint32 perPixel = extraSample != 0 ? 2 : 1;
  const struct {
    quint16 tag, type;
    quint32 value;
  } entries[] = {{256, 4, quint32(width)},
                 {257, 4, quint32(height)},
                 {258, 3, 8},
                 {259, 3, 1},
                 {262, 3, 1},
                 {273, 4, 0},
                 {277, 3, perPixel},
                 {278, 4, quint32(height)},
                 {279, 4, quint32(samples.size())},
                 {338, 3, quint32(extraSample)}};
  const int count = extraSample != 0 ? 10 : 9;
  const quint32 header = big ? 16 : 8, entrySize = big ? 20 : 12;
  const quint32 pixelsAt = header + (big ? 8 : 2) + quint32(count) * entrySize + (big ? 8 : 4);
  QByteArray out(big ? "II+\0" : "II*\0", 4);
  if (big) {
    Put16(out, 8);
    Put16(out, 0);
    Put32(out, header);
    Put32(out, 0);
    Put32(out, quint32(count));
    Put32(out, 0);
  } else {
    Put32(out, header);
    Put16(out, quint16(count));
  }
  for (int i = 0; i < count; ++i) {
    const quint32 value = entries[i].tag == 273 ? pixelsAt : entries[i].value;
    const quint32 values = entries[i].tag == 258 ? perPixel : 1;
    Put16(out, entries[i].tag);
    Put16(out, entries[i].type);
    Put32(out, values);
    if (big) Put32(out, 0);
    if (entries[i].type == 3) {
      Put16(out, quint16(value));
      Put16(out, quint16(values == 2 ? value : 0));
    } else {
      Put32(out, value);
    }
    if (big) Put32(out, 0);
  }
  Put32(out, 0);
  if (big) Put32(out, 0);
  return out + samples;
}

QByteArray MakeTiffClaiming(quint32 width, quint32 height) {
  return TiffDirectories({{width, height, 3 * width * height}}, 1) + QByteArray(64, '\x7F');
}

QByteArray MakeIco(const QList<QImage>& entries) {
  QList<QByteArray> singles;
  for (const QImage& entry : entries) singles.append(Encoded(entry, "ico"));
  QByteArray out("\0\0\1\0", 4);
  Put16(out, quint16(entries.size()));
  quint32 dataAt = 6 + 16 * quint32(entries.size());
  QByteArray data;
  for (const QByteArray& single : singles) {
    // A single-entry icon is a 6-byte header, one 16-byte entry, then the entry's data.
    QByteArray entry = single.mid(6, 16);
    Set32(entry, 12, dataAt + quint32(data.size()));
    out.append(entry);
    data.append(single.mid(22));
  }
  return out + data;
}

QByteArray LibPngEncoded(const QImage& image, bool interlaced) {
  const bool mono = image.format() == QImage::Format_Mono, grey = image.format() == QImage::Format_Grayscale8;
  const QImage pixels = mono || grey ? image : image.convertToFormat(QImage::Format_RGBA8888);
  std::vector<png_const_bytep> rows(static_cast<std::size_t>(pixels.height()));
  for (int y = 0; y < pixels.height(); ++y) rows[std::size_t(y)] = pixels.constScanLine(y);
  QByteArray out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng could not write the PNG";
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp writer, png_bytep bytes, png_size_t count) {
        static_cast<QByteArray*>(png_get_io_ptr(writer))
            ->append(reinterpret_cast<const char*>(bytes), qsizetype(count));
      },
      nullptr);
  png_set_IHDR(png, info, png_uint_32(pixels.width()), png_uint_32(pixels.height()), mono ? 1 : 8,
               mono || grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGBA,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

QByteArray PngClaiming(const QImage& image, quint32 width, quint32 height) {
  QByteArray png = Encoded(image, "png");
  qToBigEndian(width, png.data() + 16);
  qToBigEndian(height, png.data() + 20);
  qToBigEndian(Crc32(png.constData() + 12, 17), png.data() + 29);
  return png;
}

QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian) {
  QByteArray tiff(bigEndian ? "MM" : "II");
  const auto put = [&](quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) tiff.append(char(value >> 8 * (bigEndian ? bytes - 1 - i : i)));
  };
  put(42, 2);
  put(8, 4);  // the directory's offset
  put(1, 2);  // one entry: orientation, SHORT, count 1
  put(274, 2);
  put(3, 2);
  put(1, 4);
  put(quint32(orientation), 2);
  put(0, 2);
  put(0, 4);  // no next directory
  const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
  QByteArray segment("\xFF\xE1", 2);
  segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
  return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

QByteArray MakeJpegXr(const QImage& image, const QString& workFolder, bool alpha) {
  const bool deepGray = image.format() == QImage::Format_Grayscale16;
  const QString source = workFolder + (alpha || deepGray ? "/jxr-source.tif" : "/jxr-source.bmp");
  const QString target = workFolder + "/jxr-made.jxr";
  QFile::remove(target);
  const QImage pixels = deepGray ? image : image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);
  EXPECT_TRUE(pixels.save(source, alpha || deepGray ? "tiff" : "bmp"));
  QStringList arguments{"-i", source, "-o", target, "-q", "1"};
  if (alpha || deepGray) arguments << "-c" << (alpha ? "22" : "3");  // 32bppRGBA, 16bppGray
  QProcess encoder;
  encoder.start("JxrEncApp", arguments);
  EXPECT_TRUE(encoder.waitForFinished(60000)) << "JxrEncApp (package libjxr-tools) did not run";
  EXPECT_EQ(encoder.exitCode(), 0) << encoder.readAllStandardError().toStdString();
  QFile made(target);
  EXPECT_TRUE(made.open(QIODevice::ReadOnly));
  return made.readAll();
}

QByteArray JpegXrClaimingHugeSize(QByteArray jpegXr) {
  // "WMPHOTO\0", four bytes of flags (short header: 16-bit sizes), then width - 1 and height - 1.
  const qsizetype header = jpegXr.indexOf(QByteArray("WMPHOTO\0", 8));
  EXPECT_GE(header, 0);
  EXPECT_TRUE(quint8(jpegXr[header + 10]) & 0x80) << "expected a short header";
  jpegXr.replace(header + 12, 4, QByteArray(4, '\xFF'));
  return jpegXr;
}

QByteArray MakeRle8Bmp(int width, int height, const QByteArray& stream) {
  constexpr quint32 headersSize = 14 + 40 + 256 * 4;
  QByteArray out("BM", 2);
  Put32(out, headersSize + quint32(stream.size()));
  Put32(out, 0);
  Put32(out, headersSize);
  Put32(out, 40);
  Put32(out, quint32(width));
  Put32(out, quint32(height));
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 1);  // RLE8
  Put32(out, quint32(stream.size()));
  for (int i = 0; i < 4; ++i) Put32(out, i < 2 ? 2835 : 0);  // resolution, colours used and important
  for (int i = 0; i < 256; ++i) Put32(out, quint32(i) * 0x010101u);
  return out + stream;
}

QByteArray TopDownBmp(const QByteArray& bottomUp) {
  const auto read32 = [&bottomUp](qsizetype at) { return qFromLittleEndian<qint32>(bottomUp.constData() + at); };
  const qint32 pixelsAt = read32(10), width = read32(18), height = read32(22);
  const qint32 bitsPerPixel = qFromLittleEndian<quint16>(bottomUp.constData() + 28);
  const qsizetype rowBytes = (qsizetype(width) * bitsPerPixel + 31) / 32 * 4;
  QByteArray out = bottomUp;
  for (qint32 y = 0; y < height; ++y)
    out.replace(pixelsAt + y * rowBytes, rowBytes, bottomUp.mid(pixelsAt + (height - 1 - y) * rowBytes, rowBytes));
  Set32(out, 22, quint32(-height));
  return out;
}

QByteArray WithZeroedScan(const QByteArray& jpeg) {
  const qsizetype scan = jpeg.indexOf("\xFF\xDA");
  const qsizetype data = scan + 2 + ((uchar(jpeg[scan + 2]) << 8) | uchar(jpeg[scan + 3]));
  const qsizetype end = jpeg.indexOf("\xFF\xD9", data);
  QByteArray out = jpeg;
  const qsizetype middle = (data + end) / 2;
  out.replace(middle, 64, QByteArray(64, 0));
  return out;
}

std::optional<TRefusalKind> RefusalOf(const std::function<void()>& load) {
  try {
    load();
  } catch (const EBitmapLoadingFailed& error) {
    return error.Reason().kind;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  ASSERT_EQ(file.write(bytes), bytes.size());
}

}  // namespace tracella::test

namespace tracella {

void PrintTo(TRefusalKind kind, std::ostream* out) {
  static const char* const names[] = {"UnreadFormat",      "BeyondBudget", "Damaged",
                                      "UnsupportedLayout", "OutOfMemory",  "DecoderFailed"};
  const auto index = static_cast<std::size_t>(kind);
  *out << (index < std::size(names) ? names[index] : "a TRefusalKind without a name");
}

}  // namespace tracella
