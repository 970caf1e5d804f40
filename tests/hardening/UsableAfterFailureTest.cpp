// The whole program after a hostile file: the failure is reported through the application's
// report, and the next good picture opens, renders and saves as if nothing had happened.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <functional>

#include "Application.h"
#include "CodecFixtures.h"
#include "FakePlatform.h"
#include "Faqja1.h"
#include "TImage.h"

namespace tracella {
namespace {

// The fake desktop, except that `afterOpenDialog` runs once the open dialog has been confirmed
// and before the file is read: the user's file changes or goes away in between.
class RacingPlatform final : public Platform {
 public:
  FakePlatform fake;
  std::function<void()> afterOpenDialog;

  bool ExecuteOpenDialog(FileDialog& dialog) override {
    const bool confirmed = fake.ExecuteOpenDialog(dialog);
    if (afterOpenDialog) std::exchange(afterOpenDialog, nullptr)();
    return confirmed;
  }
  bool ExecuteSaveDialog(FileDialog& dialog) override { return fake.ExecuteSaveDialog(dialog); }
  void ShowError(const QString& text, const QString& caption) override { fake.ShowError(text, caption); }
  void ShowFailure(const QString& text) override { fake.ShowFailure(text); }
  void OpenUrl(const QString& url) override { fake.OpenUrl(url); }
  QString PicturesFolder() override { return fake.PicturesFolder(); }
  QString ExecutableFolder() override { return fake.ExecutableFolder(); }
};

class UsableAfterFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application.Initialize();
    ASSERT_TRUE(application.Start());
    QCoreApplication::processEvents();
  }

  TForm1& Form() const { return *application.Form1(); }

  QString Write(const QString& name, const QByteArray& bytes) const {
    test::WriteFile(folder.filePath(name), bytes);
    return folder.filePath(name);
  }

  // Chooses File, Open... through its menu action, as the user does.
  void Open(const QString& path) {
    platform.fake.openAnswers.push_back(path);
    Form().MenuItem21->trigger();
  }

  QTemporaryDir folder;
  RacingPlatform platform;
  TApplication application{platform};
};

QImage Stripes(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, (x / 4) % 2 ? 0xFFFFFFFFu : 0xFF000000u);
  return image;
}

TEST_F(UsableAfterFailureTest, AHostileFileIsReportedAndTheNextGoodOneOpensRendersAndSaves) {
  const QString cut = Write("cut.png", test::Encoded(Stripes(900, 300), "png").left(500));
  const QString bomb = Write("bomb.tif", test::MakeTiffClaiming(65535, 65535));
  const QString vanishing = Write("vanishing.jpg", test::Encoded(Stripes(900, 300), "jpeg"));
  const QString turnsIntoFolder = Write("folder.png", test::Encoded(Stripes(900, 300), "png"));
  const QString turnsDamaged = Write("damaged.bmp", test::Encoded(Stripes(900, 300), "bmp"));
  const struct {
    QString path;
    std::function<void()> between;  // after the dialog, before the load
    QString report;
  } cases[] = {
      {cut, nullptr, "Loading bitmap failed (" + cut + ")."},
      {bomb, nullptr, "Loading bitmap failed (" + bomb + ")."},
      {vanishing, [&] { QFile::remove(vanishing); },
       "Cannot open file \"" + vanishing + "\". No such file or directory."},
      {turnsIntoFolder,
       [&] {
         QFile::remove(turnsIntoFolder);
         QDir().mkdir(turnsIntoFolder);
       },
       "Cannot open file \"" + turnsIntoFolder + "\". Is a directory."},
      {turnsDamaged, [&] { QFile(turnsDamaged).resize(100); }, "Loading bitmap failed (" + turnsDamaged + ")."},
  };
  const QString caption = Form().windowTitle();
  const int sampleWidth = Form().Pipeline.SourceImage.Width();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    platform.afterOpenDialog = c.between;
    Open(c.path);
    EXPECT_EQ(platform.fake.failures, QStringList{c.report});
    platform.fake.failures.clear();
    EXPECT_EQ(Form().windowTitle(), caption);
    EXPECT_EQ(Form().Pipeline.SourceImage.Width(), sampleWidth);
  }

  const QString good = Write("good.png", test::Encoded(Stripes(900, 300), "png"));
  Open(good);
  EXPECT_TRUE(platform.fake.failures.isEmpty()) << platform.fake.failures.join('\n').toStdString();
  EXPECT_EQ(Form().windowTitle(), "Tracella - " + good);
  TBitmap shown;
  Form().Image1->DrawPart(Form().Image1->rect(), shown);
  ASSERT_EQ(shown.Width(), 900);
  // Stripes four pixels wide: a line where black meets white, white inside a stripe.
  EXPECT_EQ(shown.ScanLine(10)[3], claBlack);
  EXPECT_EQ(shown.ScanLine(10)[1], claWhite);
  platform.fake.saveAnswers = {folder.filePath("sketch")};
  Form().MenuItem22->trigger();
  EXPECT_TRUE(platform.fake.failures.isEmpty()) << platform.fake.failures.join('\n').toStdString();
  EXPECT_EQ(QImage(folder.filePath("sketch.jpg")).size(), QSize(900, 300));
}

}  // namespace
}  // namespace tracella
