#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CodecFixtures.h"
#include "LocalPath.h"
#include "PictureFiles.h"
#include "RegularFile.h"
#include "UnprivilegedFileAccess.h"

namespace tracella {
namespace {

using test::Encoded;

// 30 x 20, red with a green pixel at (1, 0) and a blue one at (0, 1): enough to see each
// channel land in its byte and the picture not turned or mirrored.
QImage Marked(int width = 30, int height = 20) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(qRgb(255, 0, 0));
  image.setPixel(1, 0, qRgb(0, 255, 0));
  image.setPixel(0, 1, qRgb(0, 0, 255));
  return image;
}

class PictureFilesLoadTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }

  QString Write(const QString& name, const QByteArray& bytes) const {
    test::WriteFile(Path(name), bytes);
    return Path(name);
  }

  TBitmap Load(const QString& name, const QByteArray& bytes) const {
    TBitmap bitmap;
    LoadFromFile(bitmap, Write(name, bytes));
    return bitmap;
  }

  QByteArray JpegXr(const QImage& image, bool alpha = false) const {
    return test::MakeJpegXr(image, dir_.path(), alpha);
  }

  QTemporaryDir dir_;
};

// The message of the exception `load` throws, checked to be of type E.
template <typename E>
std::string MessageOf(const std::function<void()>& load) {
  try {
    load();
  } catch (const E& error) {
    return error.what();
  } catch (const std::exception& other) {
    return std::string("wrong exception: ") + other.what();
  }
  return "no exception";
}

void ExpectMarked(const TBitmap& bitmap, int width = 30, int height = 20) {
  ASSERT_EQ(bitmap.Width(), width);
  ASSERT_EQ(bitmap.Height(), height);
  EXPECT_EQ(bitmap.ScanLine(0)[0], 0xFFFF0000u);
  EXPECT_EQ(bitmap.ScanLine(0)[1], 0xFF00FF00u);
  EXPECT_EQ(bitmap.ScanLine(1)[0], 0xFF0000FFu);
}

TEST_F(PictureFilesLoadTest, LosslessFormatsArriveAsTheirExactPixels) {
  const struct {
    const char* name;
    QByteArray bytes;
  } files[] = {
      {"a.bmp", Encoded(Marked(), "bmp")},    {"a.png", Encoded(Marked(), "png")}, {"a.tif", Encoded(Marked(), "tiff")},
      {"a.tiff", test::MakeTiff({Marked()})}, {"a.ico", Encoded(Marked(), "ico")}, {"a.wmp", JpegXr(Marked())},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    ExpectMarked(Load(file.name, file.bytes));
  }
}

TEST_F(PictureFilesLoadTest, GifAndJpegArriveAsTheirPictures) {
  QByteArray frame(qsizetype{30} * 20, 10);  // palette entry 10 is grey 20
  frame[1] = 100;
  const TBitmap gif = Load("a.gif", test::MakeGif(30, 20, {frame}));
  ASSERT_EQ(gif.Width(), 30);
  EXPECT_EQ(gif.ScanLine(0)[0], 0xFF141414u);
  EXPECT_EQ(gif.ScanLine(0)[1], 0xFFC8C8C8u);

  QImage flat(16, 16, QImage::Format_RGB32);
  flat.fill(qRgb(200, 100, 50));
  for (const auto& [name, bytes] :
       {std::pair{"a.jpeg", Encoded(flat, "jpeg")}, std::pair{"progressive.jpg", test::ProgressiveJpeg(flat)}}) {
    SCOPED_TRACE(name);
    const TBitmap jpeg = Load(name, bytes);
    ASSERT_EQ(jpeg.Width(), 16);
    const TAlphaColor pixel = jpeg.ScanLine(8)[8];
    EXPECT_EQ(AlphaOf(pixel), 0xFF);
    EXPECT_NEAR(RedOf(pixel), 200, 3);
    EXPECT_NEAR(GreenOf(pixel), 100, 3);
    EXPECT_NEAR(BlueOf(pixel), 50, 3);
  }
  QImage gray(16, 16, QImage::Format_Grayscale8);
  gray.fill(120);
  const TBitmap grayJpeg = Load("grey.jpg", Encoded(gray, "jpeg"));
  EXPECT_EQ(AlphaOf(grayJpeg.ScanLine(8)[8]), 0xFF);
  EXPECT_NEAR(GreenOf(grayJpeg.ScanLine(8)[8]), 120, 2);
  EXPECT_EQ(RedOf(grayJpeg.ScanLine(8)[8]), GreenOf(grayJpeg.ScanLine(8)[8]));
}

TEST_F(PictureFilesLoadTest, GifFramesArePaintedOnTheirScreen) {
  QList<QRgb> global, local;
  for (int i = 0; i < 16; ++i) global.append(qRgb(i * 16, 255 - i, i * 3));
  for (int i = 0; i < 8; ++i) local.append(qRgb(i * 11, i * 5, 200 - i));
  const auto index = [](int x, int y) { return (x * 3 + y * 5 + x * y / 7) % 8; };
  const struct {
    const char* name;
    test::GifLayout layout;
  } files[] = {
      // Qt's reader put the second pass's row into the middle of a three-row picture.
      {"interlaced-3-rows.gif",
       {.screenWidth = 5, .screenHeight = 3, .width = 5, .height = 3, .globalColors = global, .interlaced = true}},
      {"interlaced.gif",
       {.screenWidth = 20, .screenHeight = 37, .width = 20, .height = 37, .globalColors = global, .interlaced = true}},
      {"on-background.gif",
       {.screenWidth = 30,
        .screenHeight = 20,
        .left = 5,
        .top = 4,
        .width = 20,
        .height = 10,
        .globalColors = global,
        .background = 2}},
      {"transparent.gif",
       {.screenWidth = 30,
        .screenHeight = 20,
        .left = 5,
        .top = 4,
        .width = 20,
        .height = 10,
        .globalColors = global,
        .background = 2,
        .transparent = 3}},
      // Qt's reader took the background from the local table before reading it.
      {"local-colours.gif",
       {.screenWidth = 30,
        .screenHeight = 20,
        .left = 5,
        .top = 4,
        .width = 20,
        .height = 10,
        .globalColors = global,
        .localColors = local,
        .background = 2}},
      {"beyond-the-screen.gif",
       {.screenWidth = 10, .screenHeight = 8, .left = 5, .top = 2, .width = 20, .height = 10, .globalColors = global}},
      {"no-screen-size.gif", {.left = 3, .top = 2, .width = 20, .height = 10, .globalColors = global}},
  };
  for (const auto& [name, layout] : files) {
    SCOPED_TRACE(name);
    const TBitmap gif = Load(name, test::LibGifEncoded(layout, index));
    ASSERT_EQ(gif.Width(), layout.screenWidth > 0 ? layout.screenWidth : layout.left + layout.width);
    ASSERT_EQ(gif.Height(), layout.screenHeight > 0 ? layout.screenHeight : layout.top + layout.height);
    const QList<QRgb>& colors = layout.localColors.isEmpty() ? global : layout.localColors;
    int wrong = 0;
    for (int y = 0; y < gif.Height(); ++y) {
      for (int x = 0; x < gif.Width(); ++x) {
        const int fx = x - layout.left, fy = y - layout.top;
        const bool inFrame = fx >= 0 && fx < layout.width && fy >= 0 && fy < layout.height;
        const int entry = inFrame ? index(fx, fy) : -1;
        TAlphaColor expected = inFrame ? colors[entry] : global[layout.background];
        if (layout.transparent >= 0 && (!inFrame || entry == layout.transparent)) expected = 0;
        if (gif.ScanLine(y)[x] != expected && wrong++ == 0)
          ADD_FAILURE() << "first wrong pixel at " << x << ", " << y << ": " << std::hex << gif.ScanLine(y)[x];
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(PictureFilesLoadTest, AlphaIsPremultiplied) {
  QImage image(2, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(0xFF, 0xFF, 0x00, 0x80));
  image.setPixel(1, 0, qRgba(0x12, 0x34, 0x56, 0x00));
  for (const auto& [name, bytes] :
       {std::pair{"alpha.png", Encoded(image, "png")}, std::pair{"alpha.wmp", JpegXr(image, true)}}) {
    SCOPED_TRACE(name);
    const TBitmap bitmap = Load(name, bytes);
    ASSERT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0x80808000u);
    EXPECT_EQ(bitmap.ScanLine(0)[1], 0x00000000u);
  }
}

// 16-bit grey levels come down to 8 bits rounded, whichever format carries them. An odd width
// gives rows of an odd number of bytes, which shifted libjxr's every row by a byte.
TEST_F(PictureFilesLoadTest, DeepGreyIsScaledToEightBits) {
  QImage deep(65, 3, QImage::Format_Grayscale16);
  for (int y = 0; y < deep.height(); ++y) {
    auto* levels = reinterpret_cast<quint16*>(deep.scanLine(y));
    for (int x = 0; x < deep.width(); ++x) levels[x] = static_cast<quint16>((x * 1031 + y * 21845) % 65536);
  }
  for (const auto& [name, bytes] : {std::pair{"deep.png", Encoded(deep, "png")}, std::pair{"deep.wmp", JpegXr(deep)}}) {
    SCOPED_TRACE(name);
    const TBitmap bitmap = Load(name, bytes);
    ASSERT_EQ(bitmap.Width(), deep.width());
    ASSERT_EQ(bitmap.Height(), deep.height());
    for (int y = 0; y < deep.height(); ++y)
      for (int x = 0; x < deep.width(); ++x) {
        const auto grey =
            static_cast<TAlphaColor>((reinterpret_cast<const quint16*>(deep.constScanLine(y))[x] + 128) / 257);
        ASSERT_EQ(bitmap.ScanLine(y)[x], 0xFF000000u | grey * 0x010101u) << x << "," << y;
      }
  }
}

TEST_F(PictureFilesLoadTest, ExtensionIsMatchedInAnyCaseAndTheContentDecidesTheFormat) {
  const QByteArray png = Encoded(Marked(), "png");
  for (const char* name : {"PHOTO.JPG", "photo.Jpeg", "b.GIF", "c.Tiff", "d.ICO", "e.WMP", "f.BMP"}) {
    SCOPED_TRACE(name);
    ExpectMarked(Load(name, png));
  }
  ExpectMarked(Load("xr.png", JpegXr(Marked())));
  ExpectMarked(Load("tiff.jpg", test::MakeTiff({Marked()})));
}

TEST_F(PictureFilesLoadTest, OtherExtensionsFailWithTheLoadingMessageWithoutOpening) {
  QDir(dir_.path()).mkdir("folder.png");
  const QByteArray png = Encoded(Marked(), "png");
  // The files exist and hold a good PNG, except the missing one, which is never opened.
  for (const QString name : {"photo.jfif", "noextension", "folder.png/inside", "a.png.txt", "missing.xyz"}) {
    SCOPED_TRACE(name.toStdString());
    const QString path = Path(name);
    if (!name.startsWith("missing")) test::WriteFile(path, png);
    TBitmap bitmap;
    EXPECT_EQ(MessageOf<EBitmapLoadingFailed>([&] { LoadFromFile(bitmap, path); }),
              ("Loading bitmap failed (" + path + ").").toStdString());
    EXPECT_EQ(test::RefusalOf([&] { LoadFromFile(bitmap, path); }), TRefusalKind::UnreadFormat);
  }
}

TEST_F(PictureFilesLoadTest, FirstPictureOfAFileWithSeveral) {
  QImage second(10, 10, QImage::Format_RGB32);
  second.fill(Qt::white);
  ExpectMarked(Load("pages.tif", test::MakeTiff({Marked(), second})));
  ExpectMarked(Load("sizes.ico", test::MakeIco({Marked(), second})));
  QByteArray first(qsizetype{30} * 20, 10), next(qsizetype{30} * 20, 100);
  const TBitmap gif = Load("frames.gif", test::MakeGif(30, 20, {first, next}));
  EXPECT_EQ(gif.ScanLine(10)[10], 0xFF141414u);
}

TEST_F(PictureFilesLoadTest, EveryExifOrientationIsAppliedInEitherByteOrder) {
  // 32 x 16, white with a red 8 x 8 block at the top left; where each orientation puts it upright.
  QImage stored(32, 16, QImage::Format_RGB32);
  stored.fill(Qt::white);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) stored.setPixel(x, y, qRgb(255, 0, 0));
  const QByteArray jpeg = Encoded(stored, "jpeg");
  struct Upright {
    int orientation;
    bool turned, right, bottom;
  };
  for (const Upright c : {Upright{1, false, false, false}, Upright{2, false, true, false},
                          Upright{3, false, true, true}, Upright{4, false, false, true}, Upright{5, true, false, false},
                          Upright{6, true, true, false}, Upright{7, true, true, true}, Upright{8, true, false, true}}) {
    for (const auto& [name, bytes] : {std::pair{"little-endian.jpg", test::WithExifOrientation(jpeg, c.orientation)},
                                      std::pair{"big-endian.jpg", test::WithExifOrientation(jpeg, c.orientation, true)},
                                      std::pair{"tagged.tif", test::MakeTiff({stored}, c.orientation)}}) {
      SCOPED_TRACE(std::string(name) + ", orientation " + std::to_string(c.orientation));
      const TBitmap bitmap = Load(name, bytes);
      const int width = c.turned ? 16 : 32, height = c.turned ? 32 : 16;
      ASSERT_EQ(bitmap.Width(), width);
      ASSERT_EQ(bitmap.Height(), height);
      const int x = c.right ? width - 4 : 4, y = c.bottom ? height - 4 : 4;
      EXPECT_LT(GreenOf(bitmap.ScanLine(y)[x]), 60);                            // red
      EXPECT_GT(GreenOf(bitmap.ScanLine(height - 1 - y)[width - 1 - x]), 200);  // white
    }
  }
}

TEST_F(PictureFilesLoadTest, PicturesBeyondTheLargestBitmapAreFittedKeepingTheirShape) {
  const QImage wide = Marked(9000, 30);
  const QImage tall = Marked(40, 8300);
  for (const auto& [name, bytes, width, height] :
       {std::tuple{"wide.png", Encoded(wide, "png"), 8192, 27}, std::tuple{"wide.jpg", Encoded(wide, "jpeg"), 8192, 27},
        std::tuple{"wide.wmp", JpegXr(wide), 8192, 27}, std::tuple{"tall.bmp", Encoded(tall, "bmp"), 39, 8192},
        // Decoded at 4/8 by libjpeg, then averaged from 10000 to 8192 columns.
        std::tuple{"wider.jpg", Encoded(Marked(20000, 24), "jpeg"), 8192, 10}}) {
    SCOPED_TRACE(name);
    const TBitmap bitmap = Load(name, bytes);
    EXPECT_EQ(bitmap.Width(), width);
    EXPECT_EQ(bitmap.Height(), height);
    EXPECT_GT(RedOf(bitmap.ScanLine(height / 2)[width / 2]), 200);
  }
  ExpectMarked(Load("edge.png", Encoded(Marked(8192, 3), "png")), 8192, 3);
}

// Noise in every channel, so a pixel landing in the wrong place or with the wrong weight shows.
QImage Noisy(int width, int height, QImage::Format format) {
  QImage image(width, height, format);
  quint32 state = 12345;
  for (int y = 0; y < height; ++y) {
    uchar* row = image.scanLine(y);
    for (qsizetype i = 0; i < image.bytesPerLine(); ++i) row[i] = uchar((state = state * 1664525u + 1013904223u) >> 24);
  }
  return image;
}

TEST_F(PictureFilesLoadTest, InterlacedPngsLoadExactlyAsTheirPlainTwins) {
  // Fitted ones are summed pass by pass; the odd sizes leave some passes short or empty at the edges.
  for (const auto& [name, image] : {std::pair{"rgba-9000x40", Noisy(9000, 40, QImage::Format_ARGB32)},
                                    std::pair{"grey-8193x9", Noisy(8193, 9, QImage::Format_Grayscale8)},
                                    std::pair{"rgb-13x8203", Noisy(13, 8203, QImage::Format_RGB32)},
                                    std::pair{"1-bit-8195x3", Noisy(8195, 3, QImage::Format_Mono)},
                                    std::pair{"unfitted-rgba-11x6", Noisy(11, 6, QImage::Format_ARGB32)}}) {
    SCOPED_TRACE(name);
    const TBitmap plain = Load("plain.png", test::LibPngEncoded(image, false));
    const TBitmap interlaced = Load("interlaced.png", test::LibPngEncoded(image, true));
    ASSERT_EQ(interlaced.Width(), plain.Width());
    ASSERT_EQ(interlaced.Height(), plain.Height());
    EXPECT_TRUE(std::equal(plain.Pixels(), plain.Pixels() + plain.PixelCount(), interlaced.Pixels()));
  }
}

TEST_F(PictureFilesLoadTest, PalettePicturesBeyondTheLargestBitmapAreAveragedInFullColour) {
  // A grey ramp in palette entries: fitted, it must stay a smooth ramp, neighbours at most one
  // level apart, leaving the edge pass nothing to draw.
  QImage ramp(9000, 40, QImage::Format_Indexed8);
  QList<QRgb> grays;
  for (int i = 0; i < 256; ++i) grays.append(qRgb(i, i, i));
  ramp.setColorTable(grays);
  for (int y = 0; y < ramp.height(); ++y)
    for (int x = 0; x < ramp.width(); ++x) ramp.setPixel(x, y, uint(x * 255 / (ramp.width() - 1)));
  for (const char* format : {"png", "bmp", "tiff"}) {
    SCOPED_TRACE(format);
    const TBitmap bitmap = Load(QStringLiteral("ramp.") + format, Encoded(ramp, format));
    ASSERT_EQ(bitmap.Width(), 8192);
    ASSERT_EQ(bitmap.Height(), 36);
    int rough = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
      for (int x = 1; x < bitmap.Width(); ++x) {
        const int step = GreenOf(bitmap.ScanLine(y)[x]) - GreenOf(bitmap.ScanLine(y)[x - 1]);
        rough += step < 0 || step > 1;
      }
    EXPECT_EQ(rough, 0);
    EXPECT_EQ(GreenOf(bitmap.ScanLine(20)[8191]), 255);
  }
}

// The window and the command decode straight to the grey: JPEG, plain PNG, TIFF, GIF and our
// BMPs row by row (upright, fitted), the formats left to Qt or libjxr whole. Either way the grey must be the green
// channel of the picture itself.
TEST_F(PictureFilesLoadTest, TheGreyLoadIsTheGreenChannelOfThePicture) {
  QImage noise(203, 77, QImage::Format_RGB32);
  for (int y = 0; y < noise.height(); ++y)
    for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, qRgb(x * 7 % 256, (x * y) % 256, y * 3 % 256));
  QImage translucent = noise.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < noise.height(); ++y)
    for (int x = 0; x < noise.width(); ++x)
      translucent.setPixel(x, y, (translucent.pixel(x, y) & 0xFFFFFFu) | uint((x + y) * 5 % 256) << 24);
  const QByteArray jpeg = Encoded(noise, "jpeg");
  const QList<QRgb> gifColors{qRgb(10, 20, 30), qRgb(200, 100, 50), qRgb(0, 255, 0), qRgb(90, 90, 90)};
  const test::GifLayout gifLayout{40, 30, 5, 4, 20, 10, gifColors, {}, 1, 2};
  const test::GifLayout wideGif{16500, 6, 100, 1, 300, 3, gifColors, {}, 3, 2};
  const auto gifIndex = [](int x, int y) { return (x + 2 * y) % 4; };
  // Three rows of 16384 pixels (runs of 255 and a last of 64), grey 10, 80 and 200 from the bottom.
  QByteArray rleRows;
  for (const char index : {'\x0A', '\x50', '\xC8'}) {
    for (int run = 0; run < 64; ++run) rleRows.append('\xFF').append(index);
    rleRows.append('\x40').append(index).append(2, '\0');
  }
  rleRows.append("\x00\x01", 2);
  for (const auto& [name, bytes] :
       {std::pair{"noise.jpg", jpeg}, std::pair{"progressive.jpg", test::ProgressiveJpeg(noise)},
        std::pair{"turned.jpg", test::WithExifOrientation(jpeg, 6)},
        std::pair{"mirrored.jpg", test::WithExifOrientation(jpeg, 4)},
        std::pair{"reduced.jpg", Encoded(Marked(20000, 24), "jpeg")}, std::pair{"noise.png", Encoded(noise, "png")},
        std::pair{"translucent.png", Encoded(translucent, "png")},
        std::pair{"16-bit.png", Encoded(noise.convertToFormat(QImage::Format_RGBX64), "png")},
        std::pair{"interlaced.png", test::LibPngEncoded(translucent, true)},
        std::pair{"reduced.png", Encoded(Marked(20000, 24), "png")},
        std::pair{"reduced translucent.png", Encoded(translucent.scaled(16500, 9), "png")},
        std::pair{"turned.tif", test::MakeTiff({noise}, 8)},
        std::pair{"reduced.tif", test::MakeTiff({Marked(20000, 24)})},
        std::pair{"translucent grey.tif", test::GreyTiff(2, 1, QByteArray("\xF0\x80\xC8\x00", 4), 2)},
        std::pair{"framed.gif", test::LibGifEncoded(gifLayout, gifIndex)},
        std::pair{"reduced.gif", test::LibGifEncoded(wideGif, gifIndex)},
        std::pair{"bit-field.bmp",
                  test::BitFieldBmp(56, {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u}, 2, 1, {0x80FFFF00u, 0x00123456u})},
        std::pair{"rle.bmp", test::MakeRle8Bmp(4, 2, QByteArray("\x04\x0A\x00\x00\x04\x14\x00\x01", 8))},
        std::pair{"reduced rle.bmp", test::MakeRle8Bmp(16384, 3, rleRows)}}) {
    SCOPED_TRACE(name);
    const TBitmap picture = Load(name, bytes);
    TGrayPlane gray;
    LoadGrayFromFile(gray, Path(name));
    ASSERT_EQ(gray.Width(), picture.Width());
    ASSERT_EQ(gray.Height(), picture.Height());
    for (int y = 0; y < gray.Height(); ++y)
      for (int x = 0; x < gray.Width(); ++x)
        ASSERT_EQ(gray.Row(y)[x], GreenOf(picture.ScanLine(y)[x])) << x << ", " << y;
  }
  TGrayPlane kept;
  kept.SetSize(3, 2);
  const QString cut = Write("cut.jpg", jpeg.left(jpeg.size() / 2));
  EXPECT_EQ(MessageOf<EBitmapLoadingFailed>([&] { LoadGrayFromFile(kept, cut); }),
            ("Loading bitmap failed (" + cut + ").").toStdString());
  EXPECT_EQ(kept.Width(), 3);
}

// A large picture in one scan is decoded in two parts at once, the lower by a decoder that reads
// past the upper part's data. The parts must join into the picture libjpeg decodes whole, in
// every sampling, and damage in either part must fail the file.
// Just over a megapixel, so that a JPEG of it is decoded in two parts, with detail everywhere.
QImage TwoPartPhoto() {
  QImage photo(1203, 901, QImage::Format_RGB32);
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x)
      photo.setPixel(x, y, qRgb((x * 7 + y * 3) & 0xFF, (x * y / 5) & 0xFF, ((x ^ y) * 11) & 0xFF));
  return photo;
}

TEST_F(PictureFilesLoadTest, LargeJpegsDecodedInTwoPartsArriveWhole) {
  const QImage photo = TwoPartPhoto();
  const auto coded = [&photo](test::JpegCoding coding) { return test::LibJpegEncoded(photo, {}, coding); };
  const QByteArray jpeg = coded({}), endMarker("\xFF\xD9", 2);
  const auto cut = [&](double kept) { return jpeg.left(qsizetype(double(jpeg.size()) * kept)) + endMarker; };
  const auto flipped = [&](double at) {
    QByteArray damaged = jpeg;
    for (qsizetype i = qsizetype(double(jpeg.size()) * at), end = i + 5; i < end; ++i) damaged[i] = char(~damaged[i]);
    return damaged;
  };
  const struct {
    const char* what;
    QByteArray bytes;
    bool loads;
  } cases[] = {
      {"4:2:0", jpeg, true},
      {"4:2:2", coded({false, false, 0, 2, 1}), true},
      {"4:4:0", coded({false, false, 0, 1, 2}), true},
      {"4:4:4", coded({false, false, 0, 1, 1}), true},
      {"grey", test::LibJpegEncoded(photo.convertToFormat(QImage::Format_Grayscale8)), true},
      {"restart markers", coded({false, false, 3}), true},
      {"arithmetic-coded", coded({true}), true},
      {"cut in the upper part, end marker added", cut(0.3), false},
      {"cut in the lower part, end marker added", cut(0.9), false},
      {"bytes flipped in the upper part", flipped(0.2), false},
      {"bytes flipped in the lower part", flipped(0.8), false},
  };
  for (const auto& [what, bytes, loads] : cases) {
    SCOPED_TRACE(what);
    const QString path = Write("case.jpg", bytes);
    TBitmap bitmap;
    TGrayPlane gray;
    if (!loads) {
      EXPECT_THROW(LoadFromFile(bitmap, path), EBitmapLoadingFailed);
      EXPECT_THROW(LoadGrayFromFile(gray, path), EBitmapLoadingFailed);
      continue;
    }
    LoadFromFile(bitmap, path);
    LoadGrayFromFile(gray, path);
    const QImage whole = QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(bitmap.Width(), whole.width());
    ASSERT_EQ(bitmap.Height(), whole.height());
    ASSERT_EQ(gray.Height(), whole.height());
    for (int y = 0; y < whole.height(); ++y) {
      const auto* expected = reinterpret_cast<const QRgb*>(whole.constScanLine(y));
      for (int x = 0; x < whole.width(); ++x) {
        ASSERT_EQ(bitmap.ScanLine(y)[x], expected[x]) << x << ", " << y;
        ASSERT_EQ(gray.Row(y)[x], qGreen(expected[x])) << x << ", " << y;
      }
    }
  }
}

// The upper part is at rows 0 to 527, the lower from 528.
TEST_F(PictureFilesLoadTest, ALargeUprightJpegShowsItsTopRowsEarlyAsTheyEndUp) {
  const QImage photo = TwoPartPhoto();
  const QByteArray jpeg = test::LibJpegEncoded(photo);
  const bool twoParts = std::thread::hardware_concurrency() >= 2;
  const struct {
    const char* what;
    QByteArray bytes;
    int rows;
    bool shown;
  } cases[] = {
      {"rows within the upper part", jpeg, 528, twoParts},
      {"rows reaching into the lower part", jpeg, 529, false},
      {"turned by its EXIF orientation", test::WithExifOrientation(jpeg, 6), 100, false},
      {"in several scans", test::LibJpegEncoded(photo, {}, {false, true}), 100, false},
  };
  for (const auto& [what, bytes, rows, shown] : cases) {
    SCOPED_TRACE(what);
    std::vector<std::uint8_t> top;
    int calls = 0;
    const auto ready = [&, rows = rows](const TGrayPlane& plane) {
      ++calls;
      top.assign(plane.Row(0), plane.Row(0) + static_cast<std::size_t>(plane.Width()) * rows);
    };
    TGrayPlane gray;
    LoadGrayFromFile(gray, Write("early.jpg", bytes), {rows, ready});
    EXPECT_EQ(calls, shown ? 1 : 0);
    if (calls == 1) {
      EXPECT_TRUE(std::equal(top.begin(), top.end(), gray.Row(0)));
    }
  }
  // Damage below the rows shown still fails the load, and leaves the target alone.
  int calls = 0;
  TGrayPlane untouched;
  const QString cut = Write("cut.jpg", jpeg.left(jpeg.size() * 9 / 10) + QByteArray("\xFF\xD9", 2));
  EXPECT_THROW(LoadGrayFromFile(untouched, cut, {100, [&calls](const TGrayPlane&) { ++calls; }}), EBitmapLoadingFailed);
  EXPECT_EQ(calls, twoParts ? 1 : 0);
  EXPECT_TRUE(untouched.IsEmpty());
}

// Files cut short in every format are HostileFilesTest.FilesCutShortAnywhereFail's; JPEG XR with
// alpha, which it does not make, is here.
TEST_F(PictureFilesLoadTest, DamagedOrImpossibleFilesFailAndLeaveTheTargetAlone) {
  // Big enough that a cut lands in the pixels, not in a header.
  QImage photo = Marked(200, 150);
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
  const QByteArray alphaJpegXr = JpegXr(photo, true);
  QByteArray random(4000, 0);
  for (qsizetype i = 0; i < random.size(); ++i) random[i] = char((i * 7919 + 13) >> 3);
  const struct {
    const char* name;
    QByteArray bytes;
    TRefusalKind why;
  } files[] = {
      {"cut-alpha.wmp", alphaJpegXr.left(alphaJpegXr.size() * 95 / 100), TRefusalKind::DecoderFailed},
      {"empty.png", QByteArray(), TRefusalKind::UnreadFormat},
      {"random.jpg", random, TRefusalKind::UnreadFormat},
      {"text.gif", QByteArray("GIF89a, or so it says"), TRefusalKind::Damaged},
      {"claims.png", test::PngClaiming(Marked(), 65535, 65535), TRefusalKind::BeyondBudget},
      {"claims.tif", test::MakeTiffClaiming(65535, 65535), TRefusalKind::BeyondBudget},
      {"claims.wmp", test::JpegXrClaimingHugeSize(JpegXr(Marked())), TRefusalKind::BeyondBudget},
      {"other.jpg", Encoded(Marked(), "ppm"), TRefusalKind::UnreadFormat},  // a format we do not read, though Qt does
      // 40 bytes whose header claims to be 3.7 GB long: Qt read a picture from it that took 2 s and
      // 368 MB to fit.
      {"header-beyond-file.bmp",
       QByteArray::fromHex("424d4e00000000000000460000"
                           "00ffd8ffe000104a46010020"
                           "00030000000000ff00000c56301200"),
       TRefusalKind::Damaged},
      // A width of minus 1.4 billion at 64512 bits a pixel: Qt drew a picture of it.
      {"negative-width.bmp",
       QByteArray::fromHex("424d4e0000000000000046000000360000004800feac0100"
                           "2000030000fc0000000000000e0000000000000000000000"
                           "00fc0000000000ff00000c5630120389504e471c494638"),
       TRefusalKind::Damaged},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    TBitmap bitmap = Load("good.png", Encoded(Marked(), "png"));
    const QString path = Write(file.name, file.bytes);
    EXPECT_EQ(MessageOf<EBitmapLoadingFailed>([&] { LoadFromFile(bitmap, path); }),
              ("Loading bitmap failed (" + path + ").").toStdString());
    EXPECT_EQ(test::RefusalOf([&] { LoadFromFile(bitmap, path); }), file.why);
    ExpectMarked(bitmap);
  }
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         std::equal(a.Pixels(), a.Pixels() + a.PixelCount(), b.Pixels());
}

// Damage anywhere in the pixels fails; a file that lacks only what follows its pixels loads them all.
TEST_F(PictureFilesLoadTest, EveryPixelDecodesAsStoredOrTheFileFails) {
  QImage photo(200, 150, QImage::Format_RGB32);
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
  const QByteArray jpeg = Encoded(photo, "jpeg"), progressive = test::ProgressiveJpeg(photo),
                   png = Encoded(photo, "png");
  const QByteArray endMarker("\xFF\xD9", 2);
  const auto cut = [](const QByteArray& bytes, double kept) {
    return bytes.left(qsizetype(double(bytes.size()) * kept));
  };
  const auto tiny = [&photo](int width, int height) { return Encoded(photo.copy(40, 60, width, height), "jpeg"); };
  const auto asDecoded = [](const QByteArray& jpegFile) { return Encoded(QImage::fromData(jpegFile), "png"); };
  const QByteArray scanPerComponent = test::LibJpegEncoded(photo, {{{0}}, {{1}}, {{2}}});
  // Each coefficient of a grey picture in its own scans, refined bit by bit from `topBit`.
  const auto bitByBit = [&photo](int topBit) {
    QList<test::JpegScan> scans{{{0}, 0, 0, 0, 0}};
    for (int k = 1; k < 64; ++k) {
      scans.append({{0}, k, k, 0, topBit});
      for (int bit = topBit - 1; bit >= 0; --bit) scans.append({{0}, k, k, bit + 1, bit});
    }
    return test::LibJpegEncoded(photo.convertToFormat(QImage::Format_Grayscale8), scans);
  };
  const auto arithmetic = [&photo](bool inScans, int restartRows = 0) {
    return test::LibJpegEncoded(photo, {}, {true, inScans, restartRows});
  };
  // Its coded data ends rows before the picture does: the coder spends next to nothing on a
  // flat stretch, and its decoder reads zeros for the last bits, as it does past a cut.
  QImage flatBelow = photo;
  for (int y = photo.height() / 2; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x) flatBelow.setPixel(x, y, qRgb(90, 90, 90));
  const QByteArray arithmeticFlatBelow = test::LibJpegEncoded(flatBelow, {}, {true});
  QImage translucent(2, 1, QImage::Format_ARGB32);
  translucent.setPixel(0, 0, qRgba(0xFF, 0xFF, 0x00, 0x80));
  translucent.setPixel(1, 0, qRgba(0x12, 0x34, 0x56, 0x00));
  QImage tenBits(2, 1, QImage::Format_RGB32);
  tenBits.setPixel(0, 0, qRgb(255, 128, 0));
  tenBits.setPixel(1, 0, qRgb(64, 0, 255));
  const quint32 tenBitMasks[] = {0x3FF00000u, 0x000FFC00u, 0x3FFu};
  // 4 x 2: the bottom row (first in the file) grey 10, the top row grey 20.
  const QByteArray bottomRow("\x04\x0A\x00\x00", 4), topRow("\x04\x14", 2), endOfPicture("\x00\x01", 2);
  QImage rlePicture(4, 2, QImage::Format_RGB32);
  rlePicture.fill(qRgb(20, 20, 20));
  for (int x = 0; x < 4; ++x) rlePicture.setPixel(x, 1, qRgb(10, 10, 10));
  const QByteArray jumpPastTheTop("\x00\x02\x00\x05", 4);
  // Grey 10 at the bottom left, a jump right and up, grey 20 at (2, 0); the pixels passed over
  // take palette entry 0 (Qt's reader left what its memory held).
  const QByteArray jumpOver = QByteArray("\x01\x0A\x00\x02\x01\x01\x01\x14", 8) + endOfPicture;
  QImage jumped(4, 2, QImage::Format_RGB32);
  jumped.fill(qRgb(0, 0, 0));
  jumped.setPixel(0, 1, qRgb(10, 10, 10));
  jumped.setPixel(2, 0, qRgb(20, 20, 20));
  // 16384 x 4, fitted to 8192 x 2 as its rows arrive from the bottom: grey 10 below, 20 above.
  QByteArray wideRow;
  for (int run = 0; run < 64; ++run) wideRow.append("\xFF\x0A", 2);
  wideRow.append("\x40\x0A\x00\x00", 4);
  QByteArray wideStream = wideRow + wideRow;
  wideStream += QByteArray(wideRow).replace('\x0A', '\x14').repeated(2) + endOfPicture;
  QImage wide(8192, 2, QImage::Format_RGB32);
  wide.fill(qRgb(20, 20, 20));
  for (int x = 0; x < 8192; ++x) wide.setPixel(x, 1, qRgb(10, 10, 10));

  const struct {
    const char* what;
    QByteArray bytes;
    QByteArray whole;                          // the file whose pixels it must load as; empty: it must fail
    TRefusalKind why = TRefusalKind::Damaged;  // when it fails
  } cases[] = {
      // Too small to need fitting, so decoded at full scale as any other decoder does.
      {"2 x 2 JPEG", tiny(2, 2), Encoded(QImage::fromData(tiny(2, 2)), "png")},
      {"5 x 7 JPEG", tiny(5, 7), Encoded(QImage::fromData(tiny(5, 7)), "png")},
      {"7 x 7 JPEG", tiny(7, 7), Encoded(QImage::fromData(tiny(7, 7)), "png")},
      {"7 x 3 JPEG", tiny(7, 3), Encoded(QImage::fromData(tiny(7, 3)), "png")},
      {"JPEG cut in its scan, end marker added", cut(jpeg, 0.6) + endMarker, {}},
      {"progressive JPEG cut in a scan, end marker added", cut(progressive, 0.8) + endMarker, {}},
      {"JPEG with zeroed coded data", test::WithZeroedScan(jpeg), {}},
      {"JPEG whose coded data runs on past its last block", jpeg.chopped(2) + QByteArray(5, '\x55') + endMarker, {}},
      {"JPEG in one scan per component", scanPerComponent, asDecoded(scanPerComponent)},
      {"JPEG in one scan per component without its end marker", scanPerComponent.chopped(2),
       asDecoded(scanPerComponent)},
      {"JPEG in one scan per component, ending after the first",
       scanPerComponent.left(scanPerComponent.indexOf("\xFF\xDA", scanPerComponent.indexOf("\xFF\xDA") + 2)) +
           endMarker,
       {}},
      {"progressive JPEG in 442 scans", bitByBit(6), asDecoded(bitByBit(6))},
      {"progressive JPEG in 694 scans", bitByBit(10), {}, TRefusalKind::BeyondBudget},
      {"arithmetic-coded JPEG", arithmetic(false), asDecoded(arithmetic(false))},
      {"arithmetic-coded progressive JPEG", arithmetic(true), asDecoded(arithmetic(true))},
      {"arithmetic-coded JPEG with restart markers", arithmetic(false, 2), asDecoded(arithmetic(false, 2))},
      {"arithmetic-coded progressive JPEG with restart markers", arithmetic(true, 1), asDecoded(arithmetic(true, 1))},
      {"arithmetic-coded JPEG, flat below", arithmeticFlatBelow, asDecoded(arithmeticFlatBelow)},
      {"arithmetic-coded JPEG cut at 30 %", cut(arithmetic(false), 0.3), {}},
      {"arithmetic-coded JPEG cut at 90 %", cut(arithmetic(false), 0.9), {}},
      {"arithmetic-coded progressive JPEG cut at 30 %", cut(arithmetic(true), 0.3), {}},
      {"arithmetic-coded progressive JPEG cut at 90 %", cut(arithmetic(true), 0.9), {}},
      {"arithmetic-coded JPEG without its end marker", arithmetic(false).chopped(2), {}},
      {"JPEG without its end marker", jpeg.chopped(2), jpeg},
      {"JPEG with stray bytes after its last row",
       jpeg.chopped(2) + QByteArray("\xFF\xFE\x00\x04hi", 6) + QByteArray(3, '\x55') + endMarker, jpeg},
      {"progressive JPEG without its end marker", progressive.chopped(2), progressive},
      {"PNG without its end chunk", png.chopped(12), png},
      {"RLE8 BMP", test::MakeRle8Bmp(4, 2, bottomRow + topRow + endOfPicture), Encoded(rlePicture, "png")},
      {"RLE8 BMP without its end-of-picture code", test::MakeRle8Bmp(4, 2, bottomRow + topRow),
       Encoded(rlePicture, "png")},
      {"RLE8 BMP cut short", test::MakeRle8Bmp(4, 2, bottomRow + topRow.left(1)), {}},
      {"RLE8 BMP jumping past its top row", test::MakeRle8Bmp(4, 2, bottomRow + jumpPastTheTop + endOfPicture), {}},
      {"RLE8 BMP jumping over pixels", test::MakeRle8Bmp(4, 2, jumpOver), Encoded(jumped, "png")},
      {"RLE8 BMP stored from the top", test::MakeRle8Bmp(4, -2, topRow + QByteArray(2, 0) + bottomRow + endOfPicture),
       Encoded(rlePicture, "png")},
      {"RLE8 BMP wider than a bitmap", test::MakeRle8Bmp(16384, 4, wideStream), Encoded(wide, "png")},
      {"BigTIFF", test::GreyTiff(2, 1, "\x10\xF0", 0, true), test::GreyTiff(2, 1, "\x10\xF0")},
      {"grey TIFF with unassociated alpha", test::GreyTiff(2, 1, QByteArray("\xF0\x80\xC8\x00", 4), 2),
       test::GreyTiff(2, 1, QByteArray("\x78\x80\x00\x00", 4), 1)},
      {"BMP with the 56-byte header and alpha",
       test::BitFieldBmp(56, {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u}, 2, 1, {0x80FFFF00u, 0x00123456u}),
       Encoded(translucent, "png")},
      {"32-bit BMP with 10-10-10 masks",
       test::BitFieldBmp(40, {tenBitMasks[0], tenBitMasks[1], tenBitMasks[2]}, 2, 1,
                         {1023u << 20 | 512u << 10, 256u << 20 | 1023u}),
       Encoded(tenBits, "png")},
      {"BMP with overlapping masks", test::BitFieldBmp(40, {0xFFFF00u, 0xFF00u, 0xFFu}, 1, 1, {0u}), {}},
      {"top-down BMP", test::TopDownBmp(Encoded(Marked(), "bmp")), Encoded(Marked(), "png")},
  };
  for (const auto& [what, bytes, whole, why] : cases) {
    SCOPED_TRACE(what);
    const QString path = Write("case.bmp", bytes);
    TBitmap bitmap;
    if (whole.isEmpty()) {
      EXPECT_EQ(MessageOf<EBitmapLoadingFailed>([&] { LoadFromFile(bitmap, path); }),
                ("Loading bitmap failed (" + path + ").").toStdString());
      EXPECT_EQ(test::RefusalOf([&] { LoadFromFile(bitmap, path); }), why);
    } else {
      EXPECT_EQ(MessageOf<Exception>([&] { LoadFromFile(bitmap, path); }), "no exception");
      EXPECT_TRUE(SamePixels(bitmap, Load("whole.bmp", whole)));
    }
  }
}

TEST_F(PictureFilesLoadTest, AFileLargerThanAnyAcceptedPictureIsNotRead) {
  // Sparse: a header of a good BMP, then nothing written up to a little over 1 GiB.
  const QString path = Write("huge.bmp", Encoded(Marked(), "bmp"));
  QFile file(path);
  ASSERT_TRUE(file.resize(qint64{1} << 30 | 1));
  TBitmap bitmap;
  EXPECT_EQ(MessageOf<EBitmapLoadingFailed>([&] { LoadFromFile(bitmap, path); }),
            ("Loading bitmap failed (" + path + ").").toStdString());
  EXPECT_EQ(test::RefusalOf([&] { LoadFromFile(bitmap, path); }), TRefusalKind::BeyondBudget);
}

TEST_F(PictureFilesLoadTest, FilesThatShrinkWhileMappedReadAsZerosInsteadOfEndingTheProgram) {
  // As many at once as the sketch command's most parallel jobs can map.
  const QString path = Write("shrinking.png", QByteArray(qsizetype{3} * 4096, 'x'));
  std::vector<std::unique_ptr<MappedFile>> files(1100);
  for (std::unique_ptr<MappedFile>& file : files) file = MapRegularFile(path, 1 << 20);
  EXPECT_EQ(files.back()->Bytes().at(5000), 'x');
  EXPECT_FALSE(files.back()->Shrank());
  ASSERT_TRUE(QFile(path).resize(4096));
  for (const std::unique_ptr<MappedFile>& file : files) {
    ASSERT_EQ(file->Bytes().at(9000), '\0');  // without the handler: SIGBUS
    EXPECT_TRUE(file->Shrank());
  }
}

TEST_F(PictureFilesLoadTest, WhatIsNotARegularReadableFileCannotBeOpened) {
  QDir(dir_.path()).mkdir("folder.png");
  ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe.png")).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link("/dev/zero", Path("device.bmp")));
  ASSERT_TRUE(QFile::link(Path("loop.png"), Path("loop.png")));
  const struct {
    const char* name;
    const char* reason;
  } cases[] = {
      {"missing.png", "No such file or directory"},
      {"folder.png", "Is a directory"},
      {"pipe.png", "Invalid argument"},  // a FIFO would block, and a device never ends
      {"device.bmp", "Invalid argument"},
      {"loop.png", "Too many levels of symbolic links"},
  };
  for (const auto& [name, reason] : cases) {
    SCOPED_TRACE(name);
    TBitmap bitmap;
    const QString path = Path(name);
    EXPECT_EQ(MessageOf<EFOpenError>([&] { LoadFromFile(bitmap, path); }),
              ("Cannot open file \"" + path + "\". " + reason).toStdString());
  }
}

TEST_F(PictureFilesLoadTest, TheOpenMessageNamesTheAbsolutePath) {
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  TBitmap bitmap;
  const std::string message = MessageOf<EFOpenError>([&] { LoadFromFile(bitmap, "sub/../missing.JPG"); });
  QDir::setCurrent(previous);
  EXPECT_EQ(message, ("Cannot open file \"" + Path("missing.JPG") + "\". No such file or directory").toStdString());
}

TEST_F(PictureFilesLoadTest, AnUnreadableFileCannotBeOpened) {
  const QString path = Write("locked.png", Encoded(Marked(), "png"));
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
  const test::UnprivilegedFileAccess asUser(QFile::encodeName(dir_.path()).toStdString());
  TBitmap bitmap;
  EXPECT_EQ(MessageOf<EFOpenError>([&] { LoadFromFile(bitmap, path); }),
            ("Cannot open file \"" + path + "\". Permission denied").toStdString());
}

TEST_F(PictureFilesLoadTest, NamesThatAreNotUtf8OpenAndTheirMessagesKeepTheBytes) {
  const QByteArray folder = QFile::encodeName(dir_.path()) + '/';
  const QByteArray png = Encoded(Marked(), "png");
  for (const QByteArray& name :
       {QByteArray("caf\xE9.png"), QByteArray("\xFF\xFE.PNG"), QByteArray("\xED\xB2\x80.png")}) {
    SCOPED_TRACE(name.toHex().toStdString());
    const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, png.constData(), size_t(png.size())), ssize_t(png.size()));
    ::close(fd);
    TBitmap bitmap;
    LoadFromFile(bitmap, LocalPathText(folder + name));
    ExpectMarked(bitmap);
    SaveToFile(bitmap, LocalPathText(folder + "copy of " + name));
    EXPECT_EQ(::access((folder + "copy of " + name).constData(), F_OK), 0);
  }
  const QByteArray missing = folder + "m\xE9ssing.png";
  TBitmap bitmap;
  EXPECT_EQ(MessageOf<EFOpenError>([&] { LoadFromFile(bitmap, LocalPathText(missing)); }),
            ("Cannot open file \"" + missing + "\". No such file or directory").toStdString());
}

}  // namespace
}  // namespace tracella
