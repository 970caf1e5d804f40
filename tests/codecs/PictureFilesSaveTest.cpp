#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include "BitmapImage.h"
#include "PictureFiles.h"
#include "RandomImage.h"
#include "UnprivilegedFileAccess.h"

namespace tracella {
namespace {

// White with a black diagonal and a block of translucent red written as is (not premultiplied).
TBitmap Sketch() {
  TBitmap bitmap(40, 30);
  bitmap.Clear(claWhite);
  for (int i = 0; i < 30; ++i) bitmap.ScanLine(i)[i] = claBlack;
  for (int y = 0; y < 8; ++y)
    for (int x = 32; x < 40; ++x) bitmap.ScanLine(y)[x] = 0x80FF0000u;
  return bitmap;
}

class PictureFilesSaveTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QStringList Files() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }

  QTemporaryDir dir_;
};

std::string CreateMessage(const QString& path, const char* reason) {
  return ("Cannot create file \"" + path + "\". " + reason).toStdString();
}

// JPEG goes straight to libjpeg-turbo a row at a time, yet the file is byte for byte what Qt's
// JPEG writer makes of the same pixels, whatever their alpha, for sizes off the 16-pixel blocks.
// Only the JFIF header's dots per inch may differ: Qt takes them from the screen, we write 96.
TEST_F(PictureFilesSaveTest, AJpegIsWhatQtsWriterMakesOfThePixels) {
  for (const QSize size : {QSize(1, 1), QSize(17, 9), QSize(301, 203)}) {
    SCOPED_TRACE(size.width());
    const TBitmap bitmap = RandomImage(size.width(), size.height(), 5);
    QBuffer qt;
    qt.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImageWriter(&qt, "jpeg").write(ImageOver(bitmap, QImage::Format_RGB32)));
    constexpr int kAfterJfifHeader = 20;
    EXPECT_EQ(EncodeForExtension(bitmap, QStringLiteral(".jpg")).mid(kAfterJfifHeader),
              qt.data().mid(kAfterJfifHeader));
  }
}

TEST_F(PictureFilesSaveTest, JpegNamesGetAJpegWithoutAlphaAndNothingElseIsLeft) {
  for (const char* name : {"a.jpg", "b.JPG", "c.Jpeg"}) {
    SCOPED_TRACE(name);
    SaveToFile(Sketch(), Path(name));
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(2) == "\xFF\xD8");
    const QImage saved(Path(name), "jpeg");
    ASSERT_EQ(saved.size(), QSize(40, 30));
    EXPECT_FALSE(saved.hasAlphaChannel());
    EXPECT_LT(qGray(saved.pixel(20, 20)), 80);   // on the line
    EXPECT_GT(qGray(saved.pixel(30, 20)), 200);  // background
    EXPECT_GT(qRed(saved.pixel(36, 4)), 200);    // the translucent block's colour, as stored
    EXPECT_LT(qGreen(saved.pixel(36, 4)), 60);
  }
  EXPECT_EQ(Files(), (QStringList{"a.jpg", "b.JPG", "c.Jpeg"}));
}

TEST_F(PictureFilesSaveTest, PngHoldsEveryStoredByteAlphaIncluded) {
  const TBitmap bitmap = RandomImage(37, 23, 7);
  SaveToFile(bitmap, Path("exact.PNG"));
  const QImage saved = QImage(Path("exact.PNG"), "png").convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(saved.size(), QSize(37, 23));
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) ASSERT_EQ(saved.pixel(x, y), bitmap.ScanLine(y)[x]) << x << "," << y;
}

TEST_F(PictureFilesSaveTest, OtherExtensionsOrAnEmptyBitmapFailWithoutCreatingAFile) {
  for (const char* name : {"a.bmp", "a.jpg.txt", "noextension", "a.jpe"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(SaveToFile(Sketch(), Path(name)), EBitmapSavingFailed);
  }
  EXPECT_THROW(SaveToFile(TBitmap(), Path("empty.jpg")), EBitmapSavingFailed);
  // Row by row the file is made while encoding; the encoder's failure takes it away again.
  EXPECT_THROW(SaveToFile(RowsOf(TBitmap()), Path("empty-rows.jpg")), EBitmapSavingFailed);
  EXPECT_EQ(Files(), QStringList());
  EXPECT_STREQ(EBitmapSavingFailed().what(), "Saving bitmap failed.");
}

TEST_F(PictureFilesSaveTest, AnExistingFileIsNeverReplaced) {
  QFile existing(Path("taken.jpg"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("mine");
  existing.close();
  try {
    SaveToFile(Sketch(), Path("taken.jpg"));
    FAIL() << "saved over an existing file";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(error.what(), CreateMessage(Path("taken.jpg"), "File exists"));
  }
  ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
  EXPECT_EQ(existing.readAll(), "mine");
  EXPECT_EQ(Files(), QStringList{"taken.jpg"});  // no temporary file left
  // Saving twice to one name: the second is refused.
  SaveToFile(Sketch(), Path("twice.jpg"));
  EXPECT_THROW(SaveToFile(Sketch(), Path("twice.jpg")), EFCreateError);
}

TEST_F(PictureFilesSaveTest, AFolderThatCannotTakeTheFileGivesTheCreateMessage) {
  const QString missing = Path("no/such/folder/a.jpg");
  try {
    SaveToFile(Sketch(), missing);
    FAIL() << "saved into a missing folder";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(error.what(), CreateMessage(missing, "No such file or directory"));
  }
  QDir(dir_.path()).mkdir("taken.jpg");
  EXPECT_THROW(SaveToFile(Sketch(), Path("taken.jpg")), EFCreateError);
  EXPECT_EQ(Files(), QStringList());
}

TEST_F(PictureFilesSaveTest, AFolderWithoutWriteAccessGivesPermissionDenied) {
  QDir(dir_.path()).mkdir("locked");
  ASSERT_EQ(::chmod(QFile::encodeName(Path("locked")).constData(), 0555), 0);
  const test::UnprivilegedFileAccess asUser(QFile::encodeName(dir_.path()).toStdString());
  try {
    SaveToFile(Sketch(), Path("locked/a.jpg"));
    FAIL() << "saved into a read-only folder";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(error.what(), CreateMessage(Path("locked/a.jpg"), "Permission denied"));
  }
}

TEST_F(PictureFilesSaveTest, RelativeAndUnicodeNames) {
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  SaveToFile(Sketch(), "Скетч ✓.jpg");
  QDir::setCurrent(previous);
  EXPECT_EQ(QImage(Path("Скетч ✓.jpg")).size(), QSize(40, 30));
}

}  // namespace
}  // namespace tracella
