#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <vector>

namespace tracella {
namespace {

struct Outcome {
  int exitCode;
  QString out, err;
};

// The built program, run as a user would run it.
Outcome Sketch(const QStringList& arguments, const QString& loggingRules = {}) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("LC_ALL", "C.UTF-8");  // the system's error texts in English
  environment.remove("QT_LOGGING_RULES");
  if (!loggingRules.isEmpty()) environment.insert("QT_LOGGING_RULES", loggingRules);
  process.setProcessEnvironment(environment);
  process.start(TRACELLA_SKETCH_PROGRAM, arguments);
  EXPECT_TRUE(process.waitForFinished(60000));
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// The built program run with arguments given as bytes (QProcess would pass them through UTF-8);
// its exit code.
int SketchWithByteArguments(const std::vector<QByteArray>& arguments) {
  std::vector<char*> argv{const_cast<char*>(TRACELLA_SKETCH_PROGRAM)};
  for (const QByteArray& argument : arguments) argv.push_back(const_cast<char*>(argument.constData()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execv(TRACELLA_SKETCH_PROGRAM, argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Exists(const QByteArray& path) { return ::access(path.constData(), F_OK) == 0; }

class SketchCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Grey 100 with a 4 x 4 square of green 130 at (2, 2): a step of 30 in the grey (green) pass.
    QImage photo(8, 8, QImage::Format_RGB32);
    photo.fill(qRgb(100, 100, 100));
    for (int y = 2; y < 6; ++y)
      for (int x = 2; x < 6; ++x) photo.setPixel(x, y, qRgb(0, 130, 0));
    ASSERT_TRUE(photo.save(Path("photo.png")));
  }
  QString Path(const QString& name) const { return dir_.filePath(name); }

  QTemporaryDir dir_;
};

TEST_F(SketchCommandTest, PngOutputHoldsTheSketchPixelsExactly) {
  const Outcome run = Sketch({"--color", "80FF0000", Path("photo.png"), Path("sketch.png")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.err, "");  // no progress line when stderr is not a terminal
  const QImage sketch = QImage(Path("sketch.png")).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(sketch.size(), QSize(8, 8));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      // A pixel paints where its grey differs from its right or lower neighbour's.
      const bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
      const bool rightDiffers = x + 1 < 8 && inside != (x + 1 >= 2 && x + 1 < 6 && y >= 2 && y < 6);
      const bool belowDiffers = y + 1 < 8 && inside != (x >= 2 && x < 6 && y + 1 >= 2 && y + 1 < 6);
      EXPECT_EQ(sketch.pixel(x, y), rightDiffers || belowDiffers ? 0x80FF0000u : 0xFFFFFFFFu) << x << "," << y;
    }
  }
}

TEST_F(SketchCommandTest, AThresholdAboveTheStepPaintsNothingAndJpegIsWritten) {
  const Outcome run = Sketch({"--threshold", "33", Path("photo.png"), Path("blank.JPG")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QImage blank(Path("blank.JPG"), "jpeg");
  ASSERT_EQ(blank.size(), QSize(8, 8));
  for (const QPoint edge : {QPoint(1, 2), QPoint(5, 5), QPoint(3, 1)}) EXPECT_GT(qGray(blank.pixel(edge)), 245);
}

TEST_F(SketchCommandTest, NeverWritesOverAFileAndReportsAsTheWindowWould) {
  QFile existing(Path("taken.png"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("keep");
  existing.close();
  const Outcome run = Sketch({Path("photo.png"), Path("taken.png")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Cannot create file \"" + Path("taken.png") + "\". File exists.\n");
  ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
  EXPECT_EQ(existing.readAll(), "keep");
}

TEST_F(SketchCommandTest, BatchGoesOnPastAFailureAndExitsOne) {
  ASSERT_TRUE(QDir(dir_.path()).mkdir("out"));
  ASSERT_TRUE(QFile::copy(Path("photo.png"), Path("second.png")));
  const Outcome run = Sketch({"--format", "png", "--out-dir", Path("out"), Path("photo.png"), "missing.xyz", Path("second.png")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Loading bitmap failed (missing.xyz).\n");
  EXPECT_EQ(QDir(Path("out")).entryList(QDir::Files), (QStringList{"photo.png", "second.png"}));
  EXPECT_EQ(Sketch({"--out-dir", Path("out"), Path("photo.png")}).exitCode, 0);  // photo.jpg beside photo.png
}

TEST_F(SketchCommandTest, DecodersSayNothingUnlessAskedAndThenSayWhy) {
  // Damaged files on which Qt's icon reader (libpng inside) and libtiff complain.
  QImage photo(64, 48, QImage::Format_ARGB32);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) photo.setPixel(x, y, qRgba(x * 4, y * 5, x ^ y, 200));
  for (const char* format : {"ico", "tiff", "png"}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && photo.save(&buffer, format));
    QFile cut(Path(QStringLiteral("cut.") + format));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly) && cut.write(bytes.left(bytes.size() * 2 / 3)) > 0);
  }
  ASSERT_TRUE(QDir(dir_.path()).mkdir("out"));
  const QStringList arguments{"--out-dir", Path("out"), Path("cut.ico"), Path("cut.tiff"), Path("cut.png")};
  const Outcome quiet = Sketch(arguments);
  EXPECT_EQ(quiet.exitCode, 1);
  EXPECT_EQ(quiet.err, "Loading bitmap failed (" + Path("cut.ico") + ").\nLoading bitmap failed (" + Path("cut.tiff") +
                           ").\nLoading bitmap failed (" + Path("cut.png") + ").\n");
  const Outcome told = Sketch(arguments, "tracella.codecs=true");
  EXPECT_EQ(told.err.count("tracella.codecs: refused: "), 3) << told.err.toStdString();
  EXPECT_TRUE(told.err.contains("TIFF")) << told.err.toStdString();
}

TEST_F(SketchCommandTest, NamesThatAreNotUtf8AreKeptByteForByte) {
  const QByteArray folder = QFile::encodeName(dir_.path()) + '/';
  const QByteArray latin1Input = folder + "caf\xE9 \xFF.png";
  ASSERT_EQ(::link(QFile::encodeName(Path("photo.png")).constData(), latin1Input.constData()), 0);
  ASSERT_TRUE(QDir(dir_.path()).mkdir("out"));
  EXPECT_EQ(SketchWithByteArguments({"--format", "png", "--out-dir", folder + "out", latin1Input}), 0);
  EXPECT_TRUE(Exists(folder + "out/caf\xE9 \xFF.png"));
  EXPECT_EQ(SketchWithByteArguments({latin1Input, folder + "sk\xE9tch.jpg"}), 0);
  EXPECT_TRUE(Exists(folder + "sk\xE9tch.jpg"));
}

TEST_F(SketchCommandTest, ATerminalSeesAProgressLine) {
  // script(1) gives the program a terminal; its output is what the terminal received.
  ASSERT_TRUE(QDir(dir_.path()).mkdir("out"));
  QProcess terminal;
  terminal.start("script", {"-qec",
                            QStringLiteral("'%1' --out-dir '%2' '%3' missing.png")
                                .arg(TRACELLA_SKETCH_PROGRAM, Path("out"), Path("photo.png")),
                            "/dev/null"});
  ASSERT_TRUE(terminal.waitForFinished(60000));
  EXPECT_EQ(terminal.exitCode(), 1);
  const QString screen = QString::fromUtf8(terminal.readAllStandardOutput());
  EXPECT_TRUE(screen.contains("\r\x1b[K[1/2] photo.png\r\x1b[K[2/2] missing.png\r\x1b[KCannot open file"))
      << screen.toStdString();
}

TEST_F(SketchCommandTest, UsageErrorsExitTwoAndHelpExitsZero) {
  const Outcome usage = Sketch({"--threshold", "40", Path("photo.png"), Path("x.png")});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_TRUE(usage.err.contains("Usage: tracella-sketch")) << usage.err.toStdString();
  EXPECT_FALSE(QFile::exists(Path("x.png")));
  EXPECT_EQ(Sketch({Path("photo.png"), Path("x.gif")}).exitCode, 2);
  const Outcome help = Sketch({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains("--out-dir DIR"));
}

}  // namespace
}  // namespace tracella
