// Files a user (or an attacker) may hand the loader: every one either loads as the picture it is
// or fails with the loading or the cannot-open message, promptly, leaving the target alone.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "CodecFixtures.h"
#include "JpegLib.h"
#include "PictureFiles.h"
#include "RunInChild.h"

namespace tracella {
namespace {

using test::Encoded;

// Colour and brightness change over the whole picture, so that every part of a compressed file
// holds pixels and a cut anywhere takes some away.
QImage Busy(int width = 160, int height = 120) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 7 % 256, (x * y) % 256, (x + 3 * y) % 256));
  return image;
}

QImage Flat(QRgb color) {
  QImage image(12, 8, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

// One palette entry: Qt's own conversion would quantise the colour.
QImage FlatPalette(QRgb color) {
  QImage image(12, 8, QImage::Format_Indexed8);
  image.setColorTable({color});
  image.fill(0);
  return image;
}

// A baseline CMYK JPEG filled with one colour, written by libjpeg (Qt cannot write CMYK). The
// samples are stored inverted, the way Adobe's programs write them and Qt's reader expects.
QByteArray CmykJpeg(int width, int height, const unsigned char (&inverted)[4]) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  QByteArray row;
  for (int x = 0; x < width; ++x) row.append(reinterpret_cast<const char*>(inverted), 4);
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[] = {reinterpret_cast<JSAMPLE*>(row.data())};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
  std::free(buffer);
  return bytes;
}

// The JPEG with the size in its frame header rewritten.
QByteArray JpegClaiming(QByteArray jpeg, quint16 width, quint16 height) {
  const qsizetype frame = std::max(jpeg.indexOf("\xFF\xC0"), jpeg.indexOf("\xFF\xC2"));
  EXPECT_GT(frame, 0);
  jpeg[frame + 5] = char(height >> 8);
  jpeg[frame + 6] = char(height & 0xFF);
  jpeg[frame + 7] = char(width >> 8);
  jpeg[frame + 8] = char(width & 0xFF);
  return jpeg;
}

// An icon whose one entry is `png`, its directory saying 256 x 256.
QByteArray IcoHolding(const QByteArray& png) {
  QByteArray ico("\0\0\1\0\1\0", 6);
  QByteArray entry(16, 0);
  entry[4] = 1;   // planes
  entry[6] = 32;  // bits per pixel
  qToLittleEndian(quint32(png.size()), entry.data() + 8);
  qToLittleEndian(quint32(6 + 16), entry.data() + 12);
  return ico + entry + png;
}

// The GIF with the logical screen of its header rewritten; its frames stay as they were.
QByteArray GifWithScreen(QByteArray gif, quint16 width, quint16 height) {
  qToLittleEndian(width, gif.data() + 6);
  qToLittleEndian(height, gif.data() + 8);
  return gif;
}

// A black 1-bit GIF of width x height: giflib's codes take 91 KB for 65535 x 2048.
QByteArray BlackGif(int width, int height) {
  return test::LibGifEncoded({.screenWidth = width,
                              .screenHeight = height,
                              .width = width,
                              .height = height,
                              .globalColors = {qRgb(0, 0, 0), qRgb(255, 255, 255)}},
                             [](int, int) { return 0; });
}

// The black GIF interlaced: its rows are all alike, so stored in passes they make the same
// codes, and only the flag of the image descriptor (after the header and 2-entry table) changes.
QByteArray Interlaced(QByteArray blackGif) {
  constexpr qsizetype descriptor = 13 + 2 * 3;
  EXPECT_EQ(blackGif[descriptor], ',');
  blackGif[descriptor + 9] = char(blackGif[descriptor + 9] | 0x40);
  return blackGif;
}

void AppendPngChunk(QByteArray& png, const char* type, const QByteArray& data) {
  char length[4];
  qToBigEndian(quint32(data.size()), length);
  png.append(length, 4);
  const QByteArray typed = QByteArray(type, 4) + data;
  png.append(typed);
  char crc[4];
  qToBigEndian(quint32(::crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()))), crc);
  png.append(crc, 4);
}

// All black, for a 1-bit PNG.
QImage Black1Bit(int width, int height) {
  QImage image(width, height, QImage::Format_Mono);
  image.fill(0);
  return image;
}

struct PngLayout {
  quint32 width, height;
  char depth, colorType;  // bits per sample; 0 grey, 6 RGBA
  bool interlaced;
};

// A PNG of `layout` whose data is `rows` rows of `rowBytes` zero bytes, filter byte included:
// black, where the data covers the picture.
QByteArray PngOfZeros(const PngLayout& layout, quint32 rows, qsizetype rowBytes) {
  QByteArray png("\x89PNG\r\n\x1a\n", 8);
  QByteArray header(13, 0);
  qToBigEndian(layout.width, header.data());
  qToBigEndian(layout.height, header.data() + 4);
  header[8] = layout.depth;
  header[9] = layout.colorType;
  header[12] = char(layout.interlaced);
  AppendPngChunk(png, "IHDR", header);
  z_stream stream{};
  EXPECT_EQ(deflateInit(&stream, Z_BEST_COMPRESSION), Z_OK);
  QByteArray row(rowBytes, 0), data;
  char out[1 << 16];
  for (quint32 y = 0; y <= rows; ++y) {
    const bool last = y == rows;
    stream.next_in = reinterpret_cast<Bytef*>(row.data());
    stream.avail_in = last ? 0 : uInt(row.size());
    do {
      stream.next_out = reinterpret_cast<Bytef*>(out);
      stream.avail_out = sizeof out;
      deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
      data.append(out, qsizetype(sizeof out - stream.avail_out));
    } while (stream.avail_out == 0);
  }
  deflateEnd(&stream);
  AppendPngChunk(png, "IDAT", data);
  AppendPngChunk(png, "IEND", {});
  return png;
}

// A 16-bit RGBA PNG of width x height transparent black pixels, decoding to width x height x 8
// bytes.
QByteArray DeepPngOfZeros(quint32 width, quint32 height) {
  return PngOfZeros({width, height, 16, 6, false}, height, 1 + qsizetype(width) * 8);
}

// A 1-bit interlaced PNG holding its first pass only (every eighth pixel of every eighth row).
QByteArray InterlacedPngCutAfterFirstPass(quint32 width, quint32 height) {
  return PngOfZeros({width, height, 1, 0, true}, (height + 7) / 8, 1 + ((width + 7) / 8 + 7) / 8);
}

// The same as a deflate-compressed TIFF in strips of 16 rows, written by libtiff to `path`.
void WriteDeepTiffOfZeros(const QString& path, quint32 width, quint32 height) {
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
  ASSERT_NE(tiff, nullptr);
  const uint16_t associatedAlpha[] = {EXTRASAMPLE_ASSOCALPHA};
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4);
  TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, associatedAlpha);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
  std::vector<uint16_t> row(std::size_t(width) * 4, 0);
  for (quint32 y = 0; y < height; ++y) ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), y, 0), 1);
  TIFFClose(tiff);
}

// A one-strip deflate TIFF of width x height, `bits` per sample grey, whose strip is the
// deflated `zeroBytes` zero bytes: all of its rows when that many, else a strip cut short.
void WriteOneStripTiff(const QString& path, quint32 width, quint32 height, int bits, qint64 zeroBytes,
                       int compression = COMPRESSION_ADOBE_DEFLATE) {
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
  ASSERT_NE(tiff, nullptr);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
  const std::vector<Bytef> zeros(static_cast<std::size_t>(zeroBytes), 0);
  std::vector<Bytef> packed(compressBound(uLong(zeros.size())));
  uLongf packedSize = uLongf(packed.size());
  ASSERT_EQ(compress(packed.data(), &packedSize, zeros.data(), uLong(zeros.size())), Z_OK);
  ASSERT_EQ(TIFFWriteRawStrip(tiff, 0, packed.data(), tmsize_t(packedSize)), tmsize_t(packedSize));
  TIFFClose(tiff);
}

// AddressSanitizer keeps freed memory resident for a while (its quarantine), so a loader that
// frees its bands as it goes still shows a high peak there: the plain build checks the peaks.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeaksAreTheLoaders = false;
#elif defined(__has_feature)
constexpr bool kPeaksAreTheLoaders = !__has_feature(address_sanitizer);
#else
constexpr bool kPeaksAreTheLoaders = true;
#endif

// Fails when `spent` passes `bound`, where peaks are the loaders' own.
void ExpectPeakAtMost(qint64 spent, qint64 bound) {
  EXPECT_GE(spent, 0);
  if (kPeaksAreTheLoaders) {
    EXPECT_LE(spent, bound);
  }
}

// Peak memory (resident) this process reaches while `work` runs, above what it held before.
qint64 PeakBytesOf(const std::function<void()>& work) {
  QFile reset("/proc/self/clear_refs");
  const auto statusValue = [](const char* key) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return qint64{-1};
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith(key))
        return line.mid(qsizetype(std::strlen(key))).trimmed().split(' ').first().toLongLong() * 1024;
    return qint64{-1};
  };
  if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1) return -1;  // restarts the peak count
  reset.close();
  const qint64 before = statusValue("VmRSS:");
  work();
  return statusValue("VmHWM:") - before;
}

// Peak memory (resident) of the JPEG XR decoding program on the file at `path`, which the loader
// starts in a process of its own. GNU time runs it here: a child started by this process would
// count this process's peak as its own.
qint64 JpegXrDecoderPeakBytes(const QString& path) {
  QProcess time;
  time.setStandardInputFile(path);
  time.setStandardOutputFile(QProcess::nullDevice());
  time.start("/usr/bin/time", {"-f", "%M", QCoreApplication::applicationDirPath() + "/tracella-jxr-decode"});
  if (!time.waitForFinished(60000) || time.exitCode() != 0) return -1;
  return time.readAllStandardError().trimmed().toLongLong() * 1024;  // kilobytes
}

class HostileFilesTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }

  QString Write(const QString& name, const QByteArray& bytes) const {
    test::WriteFile(Path(name), bytes);
    return Path(name);
  }

  // Loads into a bitmap holding a known 3 x 2 picture; the message of the failure, or "" when
  // the load succeeded, and in `refusal` why it was refused. A failed load must leave the picture
  // as it was.
  std::string Failure(const QString& path, std::optional<TRefusalKind>* refusal = nullptr) const {
    TBitmap bitmap(3, 2);
    bitmap.Clear(0xFF123456u);
    std::string message;
    try {
      LoadFromFile(bitmap, path);
    } catch (const Exception& error) {
      if (const auto* loading = dynamic_cast<const EBitmapLoadingFailed*>(&error); loading && refusal)
        *refusal = loading->Reason().kind;
      message = error.what();
      const bool untouched = bitmap.Width() == 3 && bitmap.Height() == 2 && bitmap.ScanLine(1)[2] == 0xFF123456u;
      EXPECT_TRUE(untouched) << "a failed load changed the target";
    }
    return message;
  }

  static std::string LoadingFailed(const QString& path) {
    return ("Loading bitmap failed (" + path + ").").toStdString();
  }

  // Why the file was refused, having failed with the loading message; nothing when it loaded or
  // failed otherwise.
  std::optional<TRefusalKind> RefusalOf(const QString& path) const {
    std::optional<TRefusalKind> refusal;
    const std::string message = Failure(path, &refusal);
    EXPECT_EQ(message, LoadingFailed(path));
    return message == LoadingFailed(path) ? refusal : std::nullopt;
  }

  QTemporaryDir dir_;
};

TEST_F(HostileFilesTest, EmptyAndRandomFilesAreOfNoFormatReadUnderEveryExtension) {
  QByteArray random(5000, 0);
  std::uint32_t state = 12345;
  for (char& byte : random) byte = char((state = state * 1664525u + 1013904223u) >> 24);
  for (const char* extension : PictureExtensions) {
    for (const auto& [stem, bytes] : {std::pair{"empty", QByteArray()}, std::pair{"random", random}}) {
      SCOPED_TRACE(std::string(stem) + extension);
      EXPECT_EQ(RefusalOf(Write(stem + QString(extension), bytes)), TRefusalKind::UnreadFormat);
    }
  }
}

TEST_F(HostileFilesTest, FilesCutShortAnywhereFailAsDamaged) {
  const QImage photo = Busy();
  const QImage withAlpha = photo.convertToFormat(QImage::Format_ARGB32);
  const struct {
    const char* name;
    QByteArray bytes;
  } files[] = {
      {"baseline.jpg", Encoded(photo, "jpeg")},
      {"progressive.jpg", test::ProgressiveJpeg(photo)},
      {"rgb.png", Encoded(photo, "png")},
      {"deep.png", Encoded(photo.convertToFormat(QImage::Format_RGBA64), "png")},
      {"one-frame.gif", test::MakeGif(160, 120, {QByteArray(qsizetype{160} * 120, 5)})},
      {"interlaced.gif", test::LibGifEncoded({.screenWidth = 160,
                                              .screenHeight = 120,
                                              .width = 160,
                                              .height = 120,
                                              .globalColors = QList<QRgb>(256, qRgb(1, 2, 3)),
                                              .interlaced = true},
                                             [&photo](int x, int y) { return qGreen(photo.pixel(x, y)); })},
      {"plain.tif", test::MakeTiff({photo})},
      {"qt.tiff", Encoded(withAlpha, "tiff")},
      {"rgb.bmp", Encoded(photo, "bmp")},
      {"alpha.ico", Encoded(withAlpha, "ico")},
      {"rgb.wmp", test::MakeJpegXr(photo, dir_.path())},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    // libjxr's program says only that it failed.
    const TRefusalKind why = QString(file.name).endsWith(".wmp") ? TRefusalKind::DecoderFailed : TRefusalKind::Damaged;
    for (int percent = 5; percent < 100; percent += 9) {
      const QString path = Write(file.name, file.bytes.left(file.bytes.size() * percent / 100));
      EXPECT_EQ(RefusalOf(path), why) << "cut at " << percent << "%";
    }
  }
}

TEST_F(HostileFilesTest, GifsWhoseCodesDoNotCoverTheirFrameFailAsDamaged) {
  // Found by fuzzing: 29 bytes whose frame has no codes at all came out as an 8192 x 3274 picture
  // of background. Its frame claims 12334 x 12336 too, which the budget now refuses first.
  const QByteArray noCodes = QByteArray::fromHex("474946383961292ada10002a2a2c2c2c302b2e30303000000032003260");
  const struct {
    const char* name;
    QByteArray bytes;
    TRefusalKind why;
  } files[] = {
      {"fuzzed-no-codes.gif", noCodes, TRefusalKind::BeyondBudget},
      {"no-codes.gif", test::MakeGif(30, 20, {QByteArray()}), TRefusalKind::Damaged},
      {"few-codes.gif", test::MakeGif(30, 20, {QByteArray(100, 3)}), TRefusalKind::Damaged},  // 100 of 600 pixels
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    EXPECT_EQ(RefusalOf(Write(file.name, file.bytes)), file.why);
  }
}

TEST_F(HostileFilesTest, DeepGreyPaletteAndCmykPicturesArriveAsTheirColours) {
  const QImage color = Flat(qRgb(200, 100, 50));
  const QImage gray = Flat(qRgb(90, 90, 90));
  const unsigned char invertedCmykRed[] = {255, 0, 0, 255};  // C, M, Y, K stored inverted: pure red
  const struct {
    const char* name;
    QByteArray bytes;
    QRgb expected;
    int tolerance;
  } files[] = {
      {"16-bit.png", Encoded(color.convertToFormat(QImage::Format_RGBA64), "png"), color.pixel(0, 0), 0},
      {"16-bit.tif", Encoded(color.convertToFormat(QImage::Format_RGBA64), "tiff"), color.pixel(0, 0), 0},
      {"grey.png", Encoded(gray.convertToFormat(QImage::Format_Grayscale8), "png"), gray.pixel(0, 0), 0},
      {"grey-16-bit.png", Encoded(gray.convertToFormat(QImage::Format_Grayscale16), "png"), gray.pixel(0, 0), 0},
      {"grey.jpg", Encoded(gray.convertToFormat(QImage::Format_Grayscale8), "jpeg"), gray.pixel(0, 0), 2},
      {"grey.tif", Encoded(gray.convertToFormat(QImage::Format_Grayscale8), "tiff"), gray.pixel(0, 0), 0},
      {"palette.png", Encoded(FlatPalette(color.pixel(0, 0)), "png"), color.pixel(0, 0), 0},
      {"palette.bmp", Encoded(FlatPalette(color.pixel(0, 0)), "bmp"), color.pixel(0, 0), 0},
      {"palette.tif", Encoded(FlatPalette(color.pixel(0, 0)), "tiff"), color.pixel(0, 0), 0},
      {"cmyk.jpg", CmykJpeg(12, 8, invertedCmykRed), qRgb(255, 0, 0), 3},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    TBitmap bitmap;
    LoadFromFile(bitmap, Write(file.name, file.bytes));
    ASSERT_EQ(bitmap.Width(), 12);
    ASSERT_EQ(bitmap.Height(), 8);
    const TAlphaColor pixel = bitmap.ScanLine(4)[6];
    EXPECT_EQ(AlphaOf(pixel), 0xFF);
    EXPECT_NEAR(RedOf(pixel), qRed(file.expected), file.tolerance);
    EXPECT_NEAR(GreenOf(pixel), qGreen(file.expected), file.tolerance);
    EXPECT_NEAR(BlueOf(pixel), qBlue(file.expected), file.tolerance);
  }
}

TEST_F(HostileFilesTest, HeadersClaimingHugePicturesAreRefusedBeforeTheirPixelsAreAllocated) {
  const QImage small = Flat(qRgb(1, 2, 3));
  WriteOneStripTiff(Path("deflate.tif"), 11585, 11585, 8, 1000);
  QFile deflateTiff(Path("deflate.tif"));
  EXPECT_TRUE(deflateTiff.open(QIODevice::ReadOnly));
  WriteOneStripTiff(Path("unknown.tif"), 11585, 11585, 8, 1000, 0xFF08);
  QFile unknownTiff(Path("unknown.tif"));
  EXPECT_TRUE(unknownTiff.open(QIODevice::ReadOnly));
  WriteOneStripTiff(Path("jpeg.tif"), 11585, 11585, 8, 1000, COMPRESSION_JPEG);
  QFile jpegTiff(Path("jpeg.tif"));
  EXPECT_TRUE(jpegTiff.open(QIODevice::ReadOnly));
  QImage grey(8000, 6000, QImage::Format_Grayscale8);
  grey.fill(128);
  const struct {
    const char* name;
    QByteArray bytes;
    TRefusalKind why;
  } bombs[] = {
      // libtiff sized the strip buffer from the header and zeroed 130 MB for a strip of 30 bytes.
      {"deflate-11585-square.tif", deflateTiff.readAll(), TRefusalKind::Damaged},
      // No decoder of libtiff's takes its compression, yet libtiff zeroed its 134 MB strip first.
      {"unknown-compression-11585-square.tif", unknownTiff.readAll(), TRefusalKind::UnsupportedLayout},
      {"jpeg-11585-square.tif", jpegTiff.readAll(), TRefusalKind::Damaged},
      {"65536-square.png", test::PngClaiming(small, 65536, 65536), TRefusalKind::BeyondBudget},
      {"over-budget.png", test::PngClaiming(small, 16385, 8192), TRefusalKind::BeyondBudget},
      {"100000-square.tif", test::MakeTiffClaiming(100000, 100000), TRefusalKind::BeyondBudget},
      // libpng and libtiff refuse these themselves, as invalid.
      {"largest.png", test::PngClaiming(small, 0x7FFFFFFF, 0x7FFFFFFF), TRefusalKind::Damaged},
      {"largest.tif", test::MakeTiffClaiming(0xFFFFFFFF, 0xFFFFFFFF), TRefusalKind::Damaged},
      // 2^32 + 2^16 pixels.
      {"wraps-to-small.tif", test::MakeTiffClaiming(0x10000, 0x10001), TRefusalKind::BeyondBudget},
      // Qt's reader gave the 16 x 12 frame's size and then painted it on the 4096 x 64512 screen.
      {"screen-4096x64512.gif", GifWithScreen(test::MakeGif(16, 12, {QByteArray(qsizetype{16} * 12, 1)}), 4096, 64512),
       TRefusalKind::BeyondBudget},
      // Its rows arrive in passes over the whole picture, which would have to be held at 134 MB.
      {"interlaced-65535x2048.gif", Interlaced(BlackGif(65535, 2048)), TRefusalKind::BeyondBudget},
      // libjpeg would zero 6 GB of coefficients for this 600-byte file before reading a scan.
      {"progressive-32768-square.jpg", JpegClaiming(test::ProgressiveJpeg(small), 32768, 32768),
       TRefusalKind::BeyondBudget},
      // Within the coefficient bound, but its bytes end after its first scan (and no end marker
      // says that was all): libjpeg filled 96 MB of coefficients before it came to the end.
      {"progressive-8000x6000-first-scan-only.jpg", test::LibJpegEncoded(grey, {{{0}, 0, 0, 0, 1}}).chopped(2),
       TRefusalKind::Damaged},
      // Qt's icon reader decodes a PNG entry at whatever size the PNG claims.
      {"png-entry-16000-square.ico", IcoHolding(test::PngClaiming(small, 16000, 16000)), TRefusalKind::BeyondBudget},
      // Its first pass was spread over a 256 MB bitmap before the missing ones showed.
      {"interlaced-8192-square-first-pass.png", InterlacedPngCutAfterFirstPass(8192, 8192), TRefusalKind::Damaged},
  };
  for (const auto& bomb : bombs) {
    SCOPED_TRACE(bomb.name);
    const QString path = Write(bomb.name, bomb.bytes);
    // In a child process, so that its peak memory is this load's alone.
    const bool refusedLean = RunInChild(
        [&] {
          rusage before{}, after{};
          ::getrusage(RUSAGE_SELF, &before);
          std::optional<TRefusalKind> refusal;
          const bool refused = Failure(path, &refusal) == LoadingFailed(path) && refusal == bomb.why;
          ::getrusage(RUSAGE_SELF, &after);
          return refused && after.ru_maxrss - before.ru_maxrss < 64L * 1024;  // kilobytes
        },
        60);
    EXPECT_TRUE(refusedLean) << "not refused as " << testing::PrintToString(bomb.why)
                             << ", or more than 64 MiB spent on it";
  }
}

TEST_F(HostileFilesTest, AFileIsReadOnlyAsFarAsItsDecoderGoes) {
  // Sparse: nothing written up to 1 GiB; no decoder gets past its first bytes.
  const QString path = Write("sparse.png", {});
  QFile file(path);
  ASSERT_TRUE(file.resize(qint64{1} << 30));
  std::optional<TRefusalKind> refusal;
  const qint64 spent = PeakBytesOf([&] { refusal = RefusalOf(path); });
  EXPECT_EQ(refusal, TRefusalKind::UnreadFormat);
  RecordProperty("peak_bytes", std::to_string(spent));
  ExpectPeakAtMost(spent, (64 << 20) - 1);
}

// Every buffer a loader holds grows with the picture's rows, so a strip of a large picture's
// width shows the same ratio of memory to fitted bitmap as the whole picture, in an eighth of
// the time.
TEST_F(HostileFilesTest, HugeDeepPicturesAreFittedWithinFourTimesTheirBitmap) {
  // 16-bit RGBA 11585 wide: at its own size it alone takes four times the 8192-wide bitmap.
  Write("deep-11585-wide.png", DeepPngOfZeros(11585, 1448));
  WriteDeepTiffOfZeros(Path("deep-11585-wide.tif"), 11585, 1448);
  // Black and white in one strip: its rows were read in one band of the whole picture's size.
  WriteOneStripTiff(Path("1-bit-65535x2048.tif"), 65535, 2048, 1, qint64{8192} * 2048);
  WriteOneStripTiff(Path("1-bit-16384x8192.tif"), 16384, 8192, 1, qint64{2048} * 8192);
  // Qt's reader built GIFs at full size before fitting them.
  Write("1-bit-65535x2048.gif", BlackGif(65535, 2048));
  Write("1-bit-16384x8192.gif", BlackGif(16384, 8192));
  // Qt's reader built RLE BMPs at full size too; this one is all palette entry 0.
  Write("rle8-65535x2048.bmp", test::MakeRle8Bmp(65535, 2048, QByteArray("\x00\x01", 2)));
  // Every pass spans the whole picture: its rows were held at full size until the last one.
  Write("interlaced-1-bit-65535x2048.png", test::LibPngEncoded(Black1Bit(65535, 2048), true));
  Write("interlaced-1-bit-16384x8192.png", test::LibPngEncoded(Black1Bit(16384, 8192), true));
  // Its indices are held whole, as many bytes as its fitted bitmap takes, at any height.
  Write("interlaced-16384x1024.gif", Interlaced(BlackGif(16384, 1024)));
  // libjxr decoded the whole picture, and it came through the pipe whole; its decoding program's
  // peak counts too, above the same program's on a single pixel.
  QImage black(24576, 768, QImage::Format_RGB888);
  black.fill(Qt::black);
  Write("24576x768.wmp", test::MakeJpegXr(black, dir_.path()));
  Write("1x1.wmp", test::MakeJpegXr(black.copy(0, 0, 1, 1), dir_.path()));
  black = QImage();
  const struct {
    const char* name;
    int width, height;
    TAlphaColor corner;
  } pictures[] = {{"deep-11585-wide.png", 8192, 1024, 0},
                  {"deep-11585-wide.tif", 8192, 1024, 0},
                  {"1-bit-65535x2048.tif", 8192, 256, 0xFF000000u},
                  {"1-bit-16384x8192.tif", 8192, 4096, 0xFF000000u},
                  {"interlaced-1-bit-65535x2048.png", 8192, 256, 0xFF000000u},
                  {"interlaced-1-bit-16384x8192.png", 8192, 4096, 0xFF000000u},
                  {"1-bit-65535x2048.gif", 8192, 256, 0xFF000000u},
                  {"1-bit-16384x8192.gif", 8192, 4096, 0xFF000000u},
                  {"interlaced-16384x1024.gif", 8192, 512, 0xFF000000u},
                  {"rle8-65535x2048.bmp", 8192, 256, 0xFF000000u},
                  {"24576x768.wmp", 8192, 256, 0xFF000000u}};
  for (const auto& picture : pictures) {
    const char* name = picture.name;
    SCOPED_TRACE(name);
    TBitmap bitmap;
    qint64 spent = PeakBytesOf([&] { LoadFromFile(bitmap, Path(name)); });
    if (QString(name).endsWith(".wmp"))
      spent += JpegXrDecoderPeakBytes(Path(name)) - JpegXrDecoderPeakBytes(Path("1x1.wmp"));
    ASSERT_EQ(bitmap.Width(), picture.width);
    ASSERT_EQ(bitmap.Height(), picture.height);
    EXPECT_EQ(bitmap.ScanLine(picture.height - 1)[picture.width - 1], picture.corner);
    RecordProperty(std::string("peak_bytes_") + name, std::to_string(spent));
    ExpectPeakAtMost(spent, 4 * qint64(bitmap.PixelCount()) * 4);
  }
}

TEST_F(HostileFilesTest, LargeJpegsAreFittedWithinFourTimesTheirBitmap) {
  // 9000 wide, fitted to 8192. A progressive file keeps all its coefficients while it decodes.
  QImage photo(9000, 1125, QImage::Format_RGB32);
  for (int y = 0; y < photo.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(photo.scanLine(y));
    for (int x = 0; x < photo.width(); ++x) row[x] = qRgb(x / 40, y / 40, (x + y) / 80);
  }
  Write("large.jpg", Encoded(photo, "jpeg"));
  Write("large-progressive.jpg", test::ProgressiveJpeg(photo));
  photo = QImage();
  for (const char* name : {"large.jpg", "large-progressive.jpg"}) {
    SCOPED_TRACE(name);
    TBitmap bitmap;
    const qint64 spent = PeakBytesOf([&] { LoadFromFile(bitmap, Path(name)); });
    ASSERT_EQ(bitmap.Width(), 8192);
    RecordProperty(std::string("peak_bytes_") + name, std::to_string(spent));
    ExpectPeakAtMost(spent, 4 * qint64(bitmap.PixelCount()) * 4);
  }
}

TEST_F(HostileFilesTest, DevicesSocketsAndDamagedJpegXrNeitherHangNorCrash) {
  ASSERT_TRUE(QFile::link("/dev/null", Path("null.jpg")));
  ASSERT_TRUE(QFile::link("/dev/urandom", Path("urandom.png")));
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray socketPath = QFile::encodeName(Path("socket.gif"));
  ASSERT_LT(socketPath.size(), qsizetype(sizeof address.sun_path));
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  for (const auto& [name, reason] :
       {std::pair{"null.jpg", "Invalid argument"}, std::pair{"urandom.png", "Invalid argument"},
        std::pair{"socket.gif", "No such device or address"}}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Failure(Path(name)), ("Cannot open file \"" + Path(name) + "\". " + reason).toStdString());
  }
  ::close(listener);
  // Files on which libjxr itself reads out of bounds: found by fuzzing, kept with the fuzzer.
  const QDir regressions(TRACELLA_SOURCE_DIR "/fuzz/regressions");
  const QStringList crashers = regressions.entryList({"libjxr-crash-*"}, QDir::Files);
  ASSERT_FALSE(crashers.isEmpty());
  for (const QString& crasher : crashers) {
    SCOPED_TRACE(crasher.toStdString());
    QFile file(regressions.filePath(crasher));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString path = Write(crasher + ".wmp", file.readAll().mid(1));  // the fuzzer's first byte picks the extension
    EXPECT_EQ(RefusalOf(path), TRefusalKind::DecoderFailed);
  }
}

TEST_F(HostileFilesTest, PathsWithSpacesAndNonAsciiCharactersWorkBothWays) {
  ASSERT_TRUE(QDir(dir_.path()).mkpath("Ünïcødé folder/写真 with  spaces"));
  const QString path = Path("Ünïcødé folder/写真 with  spaces/ Ëdge case .JPG");
  const QImage image = Flat(qRgb(10, 200, 30));
  TBitmap bitmap(12, 8);
  std::memcpy(bitmap.ScanLine(0), image.constBits(), std::size_t(image.sizeInBytes()));
  SaveToFile(bitmap, path);
  TBitmap loaded;
  LoadFromFile(loaded, path);
  EXPECT_EQ(loaded.Width(), 12);
  EXPECT_NEAR(GreenOf(loaded.ScanLine(4)[6]), 200, 3);
  const QString missing = Path("Ünïcødé folder/nö such.png");
  EXPECT_EQ(Failure(missing), ("Cannot open file \"" + missing + "\". No such file or directory").toStdString());
}

}  // namespace
}  // namespace tracella
