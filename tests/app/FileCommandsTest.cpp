#include <gtest/gtest.h>
#include <stdio.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <thread>
#include <vector>

#include "BitmapImage.h"
#include "CountingForm.h"
#include "FakePlatform.h"
#include "Faqja1.h"
#include "FileErrors.h"
#include "LocalPath.h"
#include "SketchReference.h"
#include "TComboColorBox.h"
#include "TImage.h"
#include "TScrollBar.h"
#include "TSpinBox.h"
#include "TTrackBar.h"

namespace tracella {
namespace {

const QString kNarrowWarning = QStringLiteral(
    "Image is smaller than 800 pixel for width! For better result you need to resize to minimum: width = 800 pixel..");

class FileCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    form.show();
    form.resize(834 - 16, 639 - 39);
    QCoreApplication::processEvents();
    form.renderings.clear();
  }

  // A picture file with stripes, so that its sketch is not blank.
  QString MakePicture(const QString& name, int width, int height, const char* format = nullptr) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) image.setPixel(x, y, (x / 7 + y / 5) % 2 ? 0xFF20A040u : 0xFF103010u);
    QString path = folder.filePath(name);
    EXPECT_TRUE(image.save(path, format));
    return path;
  }

  void Open(const QString& path) {
    platform.openAnswers.push_back(path);
    form.MenuItem21Click();
  }

  QTemporaryDir folder;
  FakePlatform platform;
  CountingForm form{platform};
};

TEST_F(FileCommandsTest, FirstOpenStartsInTheImagesFolderBesideTheProgramThenInTheLastPicturesFolder) {
  const QString path = MakePicture(QStringLiteral("cat.png"), 900, 700);
  Open(path);
  platform.openAnswers.push_back(std::nullopt);
  form.MenuItem21Click();
  ASSERT_EQ(platform.openDialogs.size(), 2u);
  EXPECT_EQ(platform.openDialogs[0].InitialDir, QStringLiteral("/opt/tracella/Images"));
  EXPECT_EQ(platform.openDialogs[0].Filter,
            QStringLiteral("All files (*.Bmp *.Jpg *.Jpeg *.Png *.Gif *.Tif *.Tiff *.Ico *.Wmp)| "
                           "*.Bmp;*.Jpg;*.Jpeg;*.Png;*.Gif;*.Tif;*.Tiff;*.Ico;*.Wmp"));
  EXPECT_EQ(platform.openDialogs[1].InitialDir, folder.path() + u'/');
  EXPECT_EQ(platform.openDialogs[1].FileName, path);  // the dialog offers the last file again
}

TEST_F(FileCommandsTest, OpeningShowsTheSketchAtItsOwnSizeWithTheCaptionAndWarnsOnlyBelow800) {
  struct Case {
    int width, height;
    bool warns;
  };
  for (const Case c : {Case{799, 300, true}, Case{800, 300, false}, Case{600, 3000, true}}) {
    platform.errors.clear();
    const QString path = MakePicture(QStringLiteral("p%1x%2.png").arg(c.width).arg(c.height), c.width, c.height);
    Open(path);
    EXPECT_EQ(form.Pipeline.SourceImage.Width(), c.width);
    EXPECT_EQ(form.Image1->Width(), c.width);
    EXPECT_EQ(form.Image1->Height(), c.height);
    EXPECT_EQ(ShownSketch(form).Width(), c.width);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tracella - ") + path);
    EXPECT_EQ(form.LastOpenedPath, path);
    if (c.warns)
      EXPECT_EQ(platform.errors, (std::vector<FakePlatform::Message>{{kNarrowWarning, QStringLiteral("Tracella")}}));
    else
      EXPECT_TRUE(platform.errors.empty());
    EXPECT_EQ(form.Image1->X(), form.CentreSpan / 2 - c.width / 2);
  }
}

TEST_F(FileCommandsTest, ThresholdIsResetToNineBeforeLoadingReRenderingTheOldPictureOnlyWhenTheNumberChanges) {
  const QString path = MakePicture(QStringLiteral("a.png"), 900, 300);
  form.MenuItem27Click();
  form.renderings.clear();
  Open(path);
  EXPECT_EQ(form.renderings, (std::vector<float>{9.0f, 9.0f}));  // the old picture, then the new one
  EXPECT_EQ(form.TrackBar1->Value(), 9.0f);

  form.renderings.clear();
  Open(path);
  EXPECT_EQ(form.renderings, std::vector<float>{9.0f});

  form.TrackBar1->SetValue(9.3f);
  form.renderings.clear();
  Open(path);
  EXPECT_EQ(form.renderings, std::vector<float>{9.0f});
  EXPECT_EQ(form.SpinBox1->Value(), 9.0f);
  EXPECT_EQ(form.TrackBar1->Value(), 9.3f);
}

TEST_F(FileCommandsTest, CancellingStillSetsTheHorizontalRange) {
  const QString wide = MakePicture(QStringLiteral("wide.png"), 1000, 300);
  Open(wide);
  form.ScrollBar2->SetValue(10);
  form.MenuItem27Click();
  platform.openAnswers.push_back(std::nullopt);
  form.MenuItem21Click();
  EXPECT_EQ(form.ScrollBar2->Value(), 100.0);  // half of the range 200
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Tracella - ") + wide);
  EXPECT_EQ(form.SpinBox1->Value(), 13.0f);

  Open(MakePicture(QStringLiteral("narrow.png"), 300, 300));
  form.ScrollBar2->SetMax(50);
  platform.openAnswers.push_back(std::nullopt);
  form.MenuItem21Click();
  EXPECT_EQ(form.ScrollBar2->Max(), 1.0);
}

TEST_F(FileCommandsTest, ExtensionsMatchInAnyCaseAndTheContentDecidesTheFormat) {
  const QString upper = MakePicture(QStringLiteral("PHOTO.JPG"), 820, 400, "JPG");
  Open(upper);
  EXPECT_EQ(form.Pipeline.SourceImage.Width(), 820);
  const QString pngNamedJpg = MakePicture(QStringLiteral("png-inside.jpg"), 830, 400, "PNG");
  Open(pngNamedJpg);
  EXPECT_EQ(form.Pipeline.SourceImage.Width(), 830);
}

TEST_F(FileCommandsTest, FailedOpenLeavesThePreviousPictureAndReportsWithThePath) {
  const QString good = MakePicture(QStringLiteral("good.png"), 900, 300);
  Open(good);
  form.MenuItem27Click();
  struct Case {
    QString path;
    std::string message;
  };
  const QString jfif = MakePicture(QStringLiteral("photo.jfif"), 900, 300, "JPG");
  const QString missing = folder.filePath(QStringLiteral("missing.png"));
  const QString missingOther = folder.filePath(QStringLiteral("missing.xyz"));
  for (const Case& c : {Case{jfif, "Loading bitmap failed (" + jfif.toStdString() + ")."},
                        Case{missing, "Cannot open file \"" + missing.toStdString() + "\". No such file or directory"},
                        Case{missingOther, "Loading bitmap failed (" + missingOther.toStdString() + ")."}}) {
    platform.openAnswers.push_back(c.path);
    try {
      form.MenuItem21Click();
      ADD_FAILURE() << "no failure for " << c.message;
    } catch (const Exception& error) {
      EXPECT_EQ(error.what(), c.message);
    }
    EXPECT_EQ(form.SpinBox1->Value(), 9.0f);
    EXPECT_EQ(form.Pipeline.SourceImage.Width(), 900);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tracella - ") + good);
    EXPECT_EQ(form.LastOpenedPath, good);
    form.MenuItem27Click();
  }
}

TEST_F(FileCommandsTest, NonAsciiPathsAreKeptWhole) {
  ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Фото ünïcödé 写真")));
  const QString path = MakePicture(QStringLiteral("Фото ünïcödé 写真/кот.png"), 900, 300);
  Open(path);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Tracella - ") + path);
  platform.openAnswers.push_back(std::nullopt);
  form.MenuItem21Click();
  EXPECT_EQ(platform.openDialogs.back().InitialDir, folder.path() + QStringLiteral("/Фото ünïcödé 写真/"));
}

TEST_F(FileCommandsTest, NamesThatAreNotUtf8OpenAndAreShownWithReplacementCharacters) {
  const QString utf8 = MakePicture(QStringLiteral("picture.png"), 900, 300);
  const QByteArray latin1 = QFile::encodeName(folder.path()) + "/caf\xE9.png";
  ASSERT_EQ(::rename(QFile::encodeName(utf8).constData(), latin1.constData()), 0);
  const QString path = LocalPathText(latin1);
  Open(path);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Tracella - ") + folder.path() + QStringLiteral("/caf\uFFFD.png"));
  EXPECT_EQ(LocalPathBytes(form.LastOpenedPath), latin1);
}

TEST_F(FileCommandsTest, PictureThatFitsVerticallyStartsAtTheTopEvenWhenTheViewWasScrolledDown) {
  Open(MakePicture(QStringLiteral("tall.png"), 900, 2000));
  form.ScrollBar1->SetValue(500);
  ASSERT_EQ(form.Image1->Y(), 68 - 500);
  Open(MakePicture(QStringLiteral("short.png"), 900, 200));
  EXPECT_EQ(form.ScrollBar1->Max(), 1.0);
  EXPECT_EQ(form.Image1->Y(), 68);
}

// A picture of over a megapixel in JPEG is shown once the rows on screen are decoded. At this
// window width, centring the 1301 pixels puts the picture one pixel right of where the middle of
// the horizontal range does: the range's change moves it there, as it would without showing early.
TEST_F(FileCommandsTest, ALargeJpegIsShownBeforeItsLowerRowsAndPutBackWhenTheyAreDamaged) {
  const bool early = std::thread::hardware_concurrency() >= 2;  // the lower rows decoded alongside
  form.resize(835 - 16, 600);
  const QString good = MakePicture(QStringLiteral("good.png"), 900, 300);
  Open(good);
  const QString large = MakePicture(QStringLiteral("large.jpg"), 1301, 1200, "JPG");
  QFile file(large);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray jpeg = file.readAll();
  const QString damaged = folder.filePath(QStringLiteral("damaged.jpg"));
  QFile cut(damaged);
  ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
  cut.write(jpeg.left(jpeg.size() * 9 / 10) + QByteArray("\xFF\xD9", 2));
  cut.close();

  // The top rows as they were on screen when the caption named the picture.
  const QRect top(0, 0, 1301, 400);
  QStringList captions;
  QImage shownFirst;
  QObject::connect(&form, &QWidget::windowTitleChanged, [&](const QString& caption) {
    captions << caption;
    shownFirst = form.Image1->grab(top).toImage();
  });

  const QImage before = form.grab().toImage();
  const QRectF place(form.Image1->X(), form.Image1->Y(), form.Image1->Width(), form.Image1->Height());
  const double ranges[] = {form.ScrollBar1->Max(), form.ScrollBar1->Value(), form.ScrollBar2->Max(),
                           form.ScrollBar2->Value()};
  EXPECT_THROW(Open(damaged), EBitmapLoadingFailed);
  EXPECT_EQ(captions, early ? QStringList({"Tracella - " + damaged, "Tracella - " + good}) : QStringList());
  EXPECT_EQ(form.windowTitle(), "Tracella - " + good);
  EXPECT_EQ(form.LastOpenedPath, good);
  EXPECT_EQ(QRectF(form.Image1->X(), form.Image1->Y(), form.Image1->Width(), form.Image1->Height()), place);
  const double rangesAfter[] = {form.ScrollBar1->Max(), form.ScrollBar1->Value(), form.ScrollBar2->Max(),
                                form.ScrollBar2->Value()};
  EXPECT_TRUE(std::equal(std::begin(ranges), std::end(ranges), std::begin(rangesAfter)));
  EXPECT_EQ(form.grab().toImage(), before);

  captions.clear();
  Open(large);
  EXPECT_EQ(captions, QStringList("Tracella - " + large));
  EXPECT_EQ(form.Image1->Height(), 1200);
  EXPECT_EQ(form.Image1->X(), -250);
  EXPECT_EQ(form.ScrollBar2->Value(), 250);
  if (early) {
    EXPECT_EQ(shownFirst, form.Image1->grab(top).toImage());
  }
}

// --- Save As -------------------------------------------------------------------------------

class SaveTest : public FileCommandsTest {
 protected:
  void Save(const QString& name) {
    platform.saveAnswers.push_back(folder.filePath(name));
    form.MenuItem22Click();
  }
  bool IsJpeg(const QString& name) {
    QImageReader reader(folder.filePath(name));
    return reader.format() == "jpeg" && reader.size() == QSize(800, 885);
  }
};

TEST_F(SaveTest, NamesWithoutJpgGetItAppendedAndEmptyTheRememberedName) {
  struct Case {
    QString chosen, written;
    bool emptiesRemembered;
  };
  for (const Case& c : {Case{"a", "a.jpg", true}, Case{"b.JPG", "b.JPG", false}, Case{"c.jpeg", "c.jpeg.jpg", true},
                        Case{"d.png", "d.png.jpg", true}, Case{"e.jPg", "e.jPg", false}}) {
    form.RememberedSaveName = QStringLiteral("remembered.jpg");
    Save(c.chosen);
    EXPECT_TRUE(IsJpeg(c.written)) << c.written.toStdString();
    EXPECT_EQ(form.RememberedSaveName.isEmpty(), c.emptiesRemembered) << c.chosen.toStdString();
  }
  const FileDialog& dialog = platform.saveDialogs.front();
  EXPECT_EQ(dialog.Filter, QStringLiteral("*.Jpg | *.Jpg"));
  EXPECT_EQ(dialog.FileName, QString());
  EXPECT_TRUE(platform.errors.empty());
}

TEST_F(SaveTest, TakenNamesAreRefusedAndTheDialogOpensAgain) {
  QFile(folder.filePath("a.jpg.jpg")).open(QIODevice::WriteOnly);
  QFile(folder.filePath("plain")).open(QIODevice::WriteOnly);
  platform.saveAnswers = {folder.filePath("a.jpg"), folder.filePath("plain"), folder.filePath("fresh.jpg")};
  form.MenuItem22Click();
  EXPECT_EQ(platform.errors,
            (std::vector<FakePlatform::Message>{{"File name exists!", "Error"}, {"File name exists!", "Error"}}));
  ASSERT_EQ(platform.saveDialogs.size(), 3u);
  EXPECT_EQ(platform.saveDialogs[0].InitialDir, platform.picturesFolder);
  EXPECT_EQ(platform.saveDialogs[1].InitialDir, QStringLiteral("a.jpg"));
  EXPECT_EQ(platform.saveDialogs[2].InitialDir, QStringLiteral("plain"));
  EXPECT_EQ(platform.saveDialogs[2].FileName, QString());
  EXPECT_FALSE(QFile::exists(folder.filePath("a.jpg")));
  EXPECT_TRUE(IsJpeg("fresh.jpg"));
  EXPECT_EQ(form.RememberedSaveName, QStringLiteral("plain"));

  // Saving to the same name again is refused; cancelling then ends both runs.
  platform.saveAnswers = {folder.filePath("fresh.jpg"), std::nullopt};
  form.MenuItem22Click();
  EXPECT_EQ(platform.errors.size(), 3u);
  EXPECT_EQ(form.RememberedSaveName, QStringLiteral("fresh.jpg"));
  platform.saveAnswers = {std::nullopt};
  form.MenuItem22Click();
  EXPECT_EQ(platform.saveDialogs.back().InitialDir, QStringLiteral("fresh.jpg"));
}

TEST_F(SaveTest, AFolderWithoutWriteAccessGivesTheCannotCreateMessageAndKeepsTheRememberedName) {
  form.RememberedSaveName = QStringLiteral("kept.jpg");
  platform.saveAnswers = {QStringLiteral("/sys/tracella-sketch")};
  EXPECT_THROW(form.MenuItem22Click(), EFCreateError);
  EXPECT_EQ(form.RememberedSaveName, QStringLiteral("kept.jpg"));
  platform.saveAnswers = {QStringLiteral("/sys/tracella-sketch")};
  try {
    form.MenuItem22Click();
    ADD_FAILURE() << "saving into a read-only folder reported no failure";
  } catch (const EFCreateError& error) {
    EXPECT_STREQ(error.what(), "Cannot create file \"/sys/tracella-sketch.jpg\". Permission denied");
  }
}

TEST_F(SaveTest, WritesTheSketchOnScreen) {
  form.MenuItem27Click();
  Save(QStringLiteral("sketch.jpg"));
  QImage saved(folder.filePath("sketch.jpg"));
  ASSERT_EQ(saved.size(), QSize(800, 885));
  // JPEG is lossy: compare where the sketch is plain white or plain black, away from noise.
  const TBitmap sketch = ShownSketch(form);
  int agreeing = 0, compared = 0;
  for (int y = 0; y < 885; y += 7)
    for (int x = 0; x < 800; x += 7) {
      const TAlphaColor shown = sketch.ScanLine(y)[x];
      const int gray = qGreen(saved.pixel(x, y));
      ++compared;
      agreeing += (shown == claWhite) == (gray > 128);
    }
  EXPECT_GT(agreeing, compared * 9 / 10);
}

// The sketch goes to the encoder a band of rows at a time; the file must still hold exactly the
// pixels that Qt's JPEG writer makes of the whole sketch.
TEST_F(SaveTest, SavesThePixelsQtsJpegWriterMakesOfTheWholeSketch) {
  form.ComboColorBox1->SetColor(0xFFC02040u);
  form.MenuItem27Click();
  Save(QStringLiteral("sketch.jpg"));
  TBitmap source = ToBitmap(QImage(QStringLiteral(":/tracella/sample.png"))), gray, sketch;
  reference::MakeGray(source, gray);
  reference::RenderSketch(gray, 13.0f, 0xFFC02040u, sketch);
  QBuffer written;
  written.open(QIODevice::WriteOnly);
  ASSERT_TRUE(QImageWriter(&written, "jpeg").write(ImageOver(sketch, QImage::Format_RGB32)));
  const QImage saved = QImage(folder.filePath("sketch.jpg")).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(saved.size(), QSize(800, 885));
  EXPECT_EQ(saved, QImage::fromData(written.data(), "jpeg").convertToFormat(QImage::Format_RGB32));
  QFile file(folder.filePath("sketch.jpg"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  constexpr int kAfterJfifHeader = 20;  // Qt takes the dots per inch there from the screen
  EXPECT_EQ(file.readAll().mid(kAfterJfifHeader), written.data().mid(kAfterJfifHeader));
}

}  // namespace
}  // namespace tracella
