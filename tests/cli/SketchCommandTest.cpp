#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QXmlStreamReader>
#include <csignal>
#include <vector>

#include "RandomImage.h"
#include "SketchCommand.h"

namespace tracella {
namespace {

struct Outcome {
  int exitCode;
  QByteArray out;
  QString err;
};

// The built program (or `program`, such as a shell running it), run as a user would run it,
// with `input` on its standard input and the logging rules given (none by default).
Outcome Sketch(const QStringList& arguments, const QByteArray& input = {}, const QString& loggingRules = {},
               const QString& program = TRACELLA_SKETCH_PROGRAM) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("LC_ALL", "C.UTF-8");  // the system's error texts in English
  environment.remove("QT_LOGGING_RULES");
  if (!loggingRules.isEmpty()) environment.insert("QT_LOGGING_RULES", loggingRules);
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  process.write(input);
  process.closeWriteChannel();
  EXPECT_TRUE(process.waitForFinished(60000));
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
          QString::fromUtf8(process.readAllStandardError())};
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Pixels painted in a sketch: anything but the white paper (or, in a transparent one, anything
// not fully transparent).
QList<QPoint> PaintedIn(const QImage& sketch, bool transparentPaper = false) {
  QList<QPoint> painted;
  const QImage argb = sketch.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y)
    for (int x = 0; x < argb.width(); ++x)
      if (transparentPaper ? qAlpha(argb.pixel(x, y)) != 0 : argb.pixel(x, y) != 0xFFFFFFFFu) painted << QPoint(x, y);
  return painted;
}

// The share of `these` pixels that have one of `those` at or beside them: curves through one-pixel
// lines wander by up to a pixel.
double ShareNear(const QList<QPoint>& these, const QList<QPoint>& those) {
  qsizetype near = 0;
  for (const QPoint& p : these) {
    bool found = false;
    for (int dy = -1; dy <= 1 && !found; ++dy)
      for (int dx = -1; dx <= 1 && !found; ++dx) found = those.contains(p + QPoint(dx, dy));
    near += found;
  }
  return static_cast<double>(near) / static_cast<double>(these.size());
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

  // A 96 x 64 photograph of two large shapes on a plain ground: lines to trace, no specks.
  void MakeShapes(const QString& name) const {
    QImage shapes(96, 64, QImage::Format_RGB32);
    shapes.fill(qRgb(40, 40, 40));
    QPainter painter(&shapes);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 200, 200));
    painter.drawEllipse(QRect(8, 8, 40, 44));
    painter.setBrush(QColor(120, 120, 120));
    painter.drawRect(QRect(56, 12, 30, 40));
    painter.end();
    ASSERT_TRUE(shapes.save(Path(name)));
  }

  // The pixels librsvg draws dark in the SVG, at its own size.
  QList<QPoint> DarkInRendering(const QString& svg) const {
    QProcess rsvg;
    rsvg.start("rsvg-convert", {"--output", Path("rendered.png"), svg});
    EXPECT_TRUE(rsvg.waitForFinished(60000));
    EXPECT_EQ(rsvg.exitCode(), 0) << rsvg.readAllStandardError().toStdString();
    const QImage rendered = QImage(Path("rendered.png")).convertToFormat(QImage::Format_ARGB32);
    QList<QPoint> dark;
    for (int y = 0; y < rendered.height(); ++y)
      for (int x = 0; x < rendered.width(); ++x)
        if (qAlpha(rendered.pixel(x, y)) > 127 && qGray(rendered.pixel(x, y)) < 128) dark << QPoint(x, y);
    return dark;
  }

  QTemporaryDir dir_;
};

TEST_F(SketchCommandTest, PngOutputHoldsTheSketchPixelsExactly) {
  const Outcome run = Sketch({"--color", "80FF0000", Path("photo.png"), Path("sketch.png")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.err, "");  // no progress line when stderr is not a terminal
  const QImage sketch = QImage(Path("sketch.png")).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(sketch.size(), QSize(8, 8));
  // Two colours need one bit a pixel: a two-entry palette (IHDR: bit depth 1, colour type 3).
  QFile file(Path("sketch.png"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray header = file.read(26);
  EXPECT_EQ(header.mid(24, 2), QByteArray("\x01\x03", 2));
  // The square's edges as the rule paints them: the pixels left of and above it, and its own
  // right column and bottom row.
  const char* const painted[8] = {"........", "..####..", ".#...#..", ".#...#..",
                                  ".#...#..", ".#####..", "........", "........"};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(sketch.pixel(x, y), painted[y][x] == '#' ? 0x80FF0000u : 0xFFFFFFFFu) << x << "," << y;
}

// XDoG sees every channel: a red and a blue square on black, which have no green step, get their
// edges drawn on white or on transparent paper, in hard lines or soft tones.
TEST_F(SketchCommandTest, XDoGDrawsEdgesOfEveryChannelOnEveryPaper) {
  QImage squares(64, 48, QImage::Format_RGB32);
  squares.fill(Qt::black);
  QPainter painter(&squares);
  painter.fillRect(QRect(8, 8, 20, 30), Qt::red);
  painter.fillRect(QRect(36, 8, 20, 30), Qt::blue);
  painter.end();
  ASSERT_TRUE(squares.save(Path("squares.png")));
  for (const QStringList& look : {QStringList{}, QStringList{"--background", "none"}, QStringList{"--soft"},
                                  QStringList{"--soft", "--background", "none"}}) {
    SCOPED_TRACE(look.join(' ').toStdString());
    ASSERT_EQ(
        Sketch(QStringList{"--force", "--method", "xdog"} + look + QStringList{Path("squares.png"), Path("x.png")})
            .exitCode,
        0);
    const QList<QPoint> painted = PaintedIn(QImage(Path("x.png")), look.contains("none"));
    EXPECT_GT(painted.size(), 40);
    // Lines lie along the squares' sides, never far out on the black ground.
    for (const QPoint& point : painted)
      EXPECT_TRUE(QRect(4, 4, 56, 38).contains(point)) << point.x() << "," << point.y();
  }
}

TEST_F(SketchCommandTest, AThresholdAboveTheStepPaintsNothingAndJpegIsWritten) {
  const Outcome run = Sketch({"--threshold", "33", Path("photo.png"), Path("blank.JPG")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QImage blank(Path("blank.JPG"), "jpeg");
  ASSERT_EQ(blank.size(), QSize(8, 8));
  for (const QPoint edge : {QPoint(1, 2), QPoint(5, 5), QPoint(3, 1)}) EXPECT_GT(qGray(blank.pixel(edge)), 245);
}

TEST_F(SketchCommandTest, TransparentBackgroundKeepsOnlyThePaintedPixels) {
  ASSERT_EQ(Sketch({"--color", "#80FF0000", Path("photo.png"), Path("white.png")}).exitCode, 0);
  const Outcome run = Sketch({"--color", "#80FF0000", "--background", "none", Path("photo.png"), Path("clear.png")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QImage clear = QImage(Path("clear.png")).convertToFormat(QImage::Format_ARGB32);
  const QList<QPoint> painted = PaintedIn(QImage(Path("white.png")));
  ASSERT_FALSE(painted.isEmpty());
  EXPECT_EQ(PaintedIn(clear, true), painted);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(clear.pixel(x, y), painted.contains(QPoint(x, y)) ? 0x80FF0000u : 0x00000000u) << x << "," << y;
  // White lines on no paper stay white lines.
  ASSERT_EQ(Sketch({"--color", "white", "--background", "none", Path("photo.png"), Path("white-lines.png")}).exitCode,
            0);
  EXPECT_EQ(PaintedIn(QImage(Path("white-lines.png")), true), painted);
}

// The SVG a browser or Inkscape opens: XML with the picture's size, whose rendering by librsvg
// covers the pixels the raster sketch paints.
TEST_F(SketchCommandTest, SvgTracesThePaintedPixels) {
  MakeShapes("shapes.png");
  ASSERT_EQ(Sketch({Path("shapes.png"), Path("raster.png")}).exitCode, 0);
  const Outcome run = Sketch({"--color", "#800000FF", Path("shapes.png"), Path("traced.svg")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

  QXmlStreamReader xml(Contents(Path("traced.svg")));
  ASSERT_TRUE(xml.readNextStartElement());
  EXPECT_EQ(xml.name(), u"svg");
  EXPECT_EQ(xml.attributes().value("width"), u"96");
  EXPECT_EQ(xml.attributes().value("height"), u"64");
  QStringList fills;
  while (xml.readNextStartElement()) {
    if (xml.name() == u"g") {
      fills << xml.attributes().value("fill").toString() + ' ' + xml.attributes().value("fill-opacity").toString();
      continue;  // into the group's paths
    }
    xml.skipCurrentElement();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(fills, QStringList{"#0000FF 0.5"});

  // Drawn opaque black for the comparison; both ways nearly every pixel agrees.
  ASSERT_EQ(Sketch({Path("shapes.png"), Path("black.svg")}).exitCode, 0);
  const QList<QPoint> dark = DarkInRendering(Path("black.svg"));
  const QList<QPoint> painted = PaintedIn(QImage(Path("raster.png")));
  ASSERT_GT(painted.size(), 150);
  EXPECT_GT(ShareNear(painted, dark), 0.97);
  EXPECT_GT(ShareNear(dark, painted), 0.97);
}

// Centre lines: each shape's outline one closed, stroked and unfilled path, drawn over the pixels
// the raster paints; the pen-up travel reported only when asked.
TEST_F(SketchCommandTest, CentreLinesAreOneStrokeALine) {
  MakeShapes("shapes.png");
  ASSERT_EQ(Sketch({Path("shapes.png"), Path("raster.png")}).exitCode, 0);
  const Outcome quiet = Sketch({"--trace", "centerline", Path("shapes.png"), Path("quiet.svg")});
  ASSERT_EQ(quiet.exitCode, 0) << quiet.err.toStdString();
  EXPECT_EQ(quiet.err, "");
  const Outcome run = Sketch({"--trace=centerline", "--verbose", Path("shapes.png"), Path("centre.svg")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(Contents(Path("centre.svg")), Contents(Path("quiet.svg")));
  EXPECT_TRUE(QRegularExpression("^tracella-sketch: " + QRegularExpression::escape(Path("shapes.png")) +
                                 ": pen-up travel [0-9]+ px as traced, [0-9]+ px ordered \\([0-9]+ % less\\)\n$")
                  .match(run.err)
                  .hasMatch())
      << run.err.toStdString();

  QXmlStreamReader xml(Contents(Path("centre.svg")));
  ASSERT_TRUE(xml.readNextStartElement());
  QStringList paths;
  while (xml.readNextStartElement()) {
    if (xml.name() == u"g") {
      EXPECT_EQ(xml.attributes().value("fill"), u"none");
      EXPECT_EQ(xml.attributes().value("stroke"), u"#000000");
      EXPECT_GE(xml.attributes().value("stroke-width").toDouble(), 1.0);
      continue;
    }
    if (xml.name() == u"path") paths << xml.attributes().value("d").toString();
    xml.skipCurrentElement();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  ASSERT_EQ(paths.size(), 2);
  for (const QString& d : paths) {  // back where it began: all the steps after the start add up to nothing
    QPoint away;
    const QStringList numbers = d.mid(d.indexOf('l') + 1).replace("-", " -").split(' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < numbers.size(); i += 2) away += QPoint(numbers[i].toInt(), numbers[i + 1].toInt());
    EXPECT_EQ(away, QPoint(0, 0)) << d.toStdString();
    EXPECT_GT(numbers.size(), 8) << d.toStdString();
  }

  const QList<QPoint> dark = DarkInRendering(Path("centre.svg"));
  const QList<QPoint> painted = PaintedIn(QImage(Path("raster.png")));
  EXPECT_GT(ShareNear(painted, dark), 0.95);
  EXPECT_GT(ShareNear(dark, painted), 0.95);

  // A pen of its own width, at the document's size.
  ASSERT_EQ(Sketch({"--trace", "centerline", "--width", "1in", "--stroke-width", "0.25in", Path("shapes.png"),
                    Path("pen.svg")})
                .exitCode,
            0);
  EXPECT_TRUE(Contents(Path("pen.svg")).contains("stroke-width=\"24\""));  // 96 pixels an inch
}

// A physical size keeps the view box in pixels; the pen's width is at that size.
TEST_F(SketchCommandTest, SvgWidthAndStrokeInUnits) {
  MakeShapes("shapes.png");  // 96 x 64
  struct SizeCase {
    QStringList options;
    QString width, height, stroke;
  };
  const SizeCase cases[] = {
      {{}, "96", "64", ""},
      {{"--width", "200mm"}, "200mm", "133.333mm", ""},
      {{"--width=3in", "--stroke-width", "0.01in"}, "3in", "2in", "3.2"},  // 32 px an inch, in tenths
      {{"--stroke-width", "2"}, "96", "64", "20"},
  };
  for (const SizeCase& c : cases) {
    ASSERT_EQ(Sketch(c.options + QStringList{"--force", Path("shapes.png"), Path("sized.svg")}).exitCode, 0);
    QXmlStreamReader xml(Contents(Path("sized.svg")));
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.attributes().value("width"), c.width) << c.options.join(' ').toStdString();
    EXPECT_EQ(xml.attributes().value("height"), c.height) << c.options.join(' ').toStdString();
    EXPECT_EQ(xml.attributes().value("viewBox"), u"0 0 96 64");
    while (xml.readNextStartElement() && xml.name() != u"g") xml.skipCurrentElement();
    EXPECT_EQ(xml.attributes().value("stroke-width"), c.stroke) << c.options.join(' ').toStdString();
  }
}

TEST_F(SketchCommandTest, SvgSpeckleAndTransparency) {
  // A lone brighter pixel in a plain photo paints a speck of 3 pixels: itself and the neighbours
  // left of it and above it.
  QImage speck(5, 5, QImage::Format_RGB32);
  speck.fill(qRgb(0, 100, 0));
  speck.setPixel(2, 2, qRgb(0, 200, 0));
  ASSERT_TRUE(speck.save(Path("speck.png")));
  const auto paths = [this](const QString& svg) { return Contents(Path(svg)).count("<path"); };
  ASSERT_EQ(Sketch({Path("speck.png"), Path("default.svg")}).exitCode, 0);
  ASSERT_EQ(Sketch({"--speckle", "2", Path("speck.png"), Path("two.svg")}).exitCode, 0);
  ASSERT_EQ(Sketch({"--speckle", "3", "--background", "none", Path("speck.png"), Path("dropped.svg")}).exitCode, 0);
  EXPECT_EQ(Contents(Path("default.svg")), Contents(Path("two.svg")));
  EXPECT_EQ(paths("default.svg"), 1);
  EXPECT_EQ(paths("dropped.svg"), 0);
  EXPECT_TRUE(Contents(Path("default.svg")).contains("<rect"));
  EXPECT_FALSE(Contents(Path("dropped.svg")).contains("<rect"));

  // The same speck is dropped from every format (JPEG greys its surroundings a little).
  const auto dark = [this](const QString& name) {
    const QImage image = QImage(Path(name)).convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) count += qGray(image.pixel(x, y)) < 128;
    return count;
  };
  for (const char* format : {"png", "jpg"}) {
    const QString kept = QStringLiteral("kept.%1").arg(QLatin1String(format));
    const QString dropped = QStringLiteral("dropped.%1").arg(QLatin1String(format));
    ASSERT_EQ(Sketch({"--speckle", "2", Path("speck.png"), Path(kept)}).exitCode, 0);
    ASSERT_EQ(Sketch({"--speckle", "3", Path("speck.png"), Path(dropped)}).exitCode, 0);
    EXPECT_EQ(dark(kept), 3) << format;
    EXPECT_EQ(dark(dropped), 0) << format;
  }
}

TEST_F(SketchCommandTest, BlurSmoothsAndZeroChangesNothing) {
  MakeShapes("shapes.png");
  ASSERT_EQ(Sketch({Path("shapes.png"), Path("plain.png")}).exitCode, 0);
  ASSERT_EQ(Sketch({"--blur", "0", Path("shapes.png"), Path("zero.png")}).exitCode, 0);
  ASSERT_EQ(Sketch({"--blur", "2", Path("shapes.png"), Path("smooth.png")}).exitCode, 0);
  EXPECT_EQ(Contents(Path("zero.png")), Contents(Path("plain.png")));
  // A smoothed step spreads over several pixels: the edges change, and are still there.
  const qsizetype sharp = PaintedIn(QImage(Path("plain.png"))).size();
  const qsizetype smooth = PaintedIn(QImage(Path("smooth.png"))).size();
  EXPECT_NE(smooth, sharp);
  EXPECT_GT(smooth, 0);
}

TEST_F(SketchCommandTest, StandardInputToStandardOutput) {
  ASSERT_EQ(Sketch({Path("photo.png"), Path("file.png")}).exitCode, 0);
  // cat photo.png | tracella-sketch --format png - - > piped.png
  QProcess shell;
  shell.start("bash", {"-c", QStringLiteral("set -o pipefail; cat '%1' | '%2' --format png - - > '%3'")
                                 .arg(Path("photo.png"), TRACELLA_SKETCH_PROGRAM, Path("piped.png"))});
  ASSERT_TRUE(shell.waitForFinished(60000));
  EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
  EXPECT_EQ(Contents(Path("piped.png")), Contents(Path("file.png")));

  const Outcome svg = Sketch({"--format", "svg", "-", "-"}, Contents(Path("photo.png")));
  EXPECT_EQ(svg.exitCode, 0);
  EXPECT_TRUE(svg.out.startsWith("<?xml"));
  // Written as it is encoded: a full standard output is still reported, in every format.
  for (const char* format : {"jpg", "png", "svg"}) {
    const Outcome full = Sketch({"-c", QStringLiteral("exec '%1' --format %2 '%3' - > /dev/full")
                                           .arg(TRACELLA_SKETCH_PROGRAM, format, Path("photo.png"))},
                                {}, {}, "bash");
    EXPECT_EQ(full.exitCode, 1) << format;
    EXPECT_EQ(full.err, "tracella-sketch: Cannot use standard output. No space left on device.\n") << format;
  }
  const Outcome nonsense = Sketch({"--format", "png", "-", "-"}, "not a picture");
  EXPECT_EQ(nonsense.exitCode, 1);
  EXPECT_EQ(nonsense.out, "");
  EXPECT_EQ(nonsense.err, "tracella-sketch: standard input: not a picture file this program reads.\n");
}

TEST_F(SketchCommandTest, NeverWritesOverAFileUnlessForced) {
  Write(Path("taken.png"), "keep");
  const Outcome run = Sketch({Path("photo.png"), Path("taken.png")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "tracella-sketch: Cannot create file \"" + Path("taken.png") + "\". File exists.\n");
  EXPECT_EQ(Contents(Path("taken.png")), "keep");

  const Outcome forced = Sketch({"--force", Path("photo.png"), Path("taken.png")});
  EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
  EXPECT_EQ(QImage(Path("taken.png")).size(), QSize(8, 8));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"photo.png", "taken.png"}));
  // A failed replacement leaves the old file as it was.
  const Outcome failed = Sketch({"--force", Path("missing.png"), Path("taken.png")});
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_EQ(QImage(Path("taken.png")).size(), QSize(8, 8));
}

// Ctrl-C while a sketch is held in fsync, as on a slow USB stick: the finished sketch stays, the
// part-written one goes. strace holds the second fsync for four seconds.
TEST_F(SketchCommandTest, ASignalLeavesNoPartWrittenFile) {
  ASSERT_TRUE(QFile::copy(Path("photo.png"), Path("second.png")));
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const QString out = Path(QStringLiteral("out%1").arg(signal));
    QProcess tracer;
    tracer.start("strace",
                 {"-f", "-o", "/dev/null", "-e", "trace=fsync", "-e", "inject=fsync:delay_enter=4000000:when=2",
                  TRACELLA_SKETCH_PROGRAM, "--jobs", "1", "--out-dir", out, Path("photo.png"), Path("second.png")});
    ASSERT_TRUE(tracer.waitForStarted());
    QStringList written;  // photo.png, then second.png's part file
    for (int wait = 0; wait < 1200 && written.size() < 2; ++wait) {
      QThread::msleep(50);
      written = QDir(out).entryList(QDir::Files | QDir::Hidden);
    }
    ASSERT_EQ(written.size(), 2) << tracer.readAllStandardError().toStdString();
    const QByteArray children = Contents(QStringLiteral("/proc/%1/task/%1/children").arg(tracer.processId())).trimmed();
    ASSERT_EQ(::kill(children.split(' ').first().toInt(), signal), 0);
    ASSERT_TRUE(tracer.waitForFinished(60000));
    EXPECT_EQ(tracer.exitCode(), 128 + signal);
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{"photo.png"});
  }
}

TEST_F(SketchCommandTest, BatchGoesOnPastAFailureAndExitsOne) {
  ASSERT_TRUE(QFile::copy(Path("photo.png"), Path("second.png")));
  ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.png"));
  const Outcome run = Sketch({"--format", "png", "--out-dir", Path("out/deeper"), Path("photo.png"),
                              Path("missing.xyz"), Path("folder.png"), Path("second.png")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "tracella-sketch: Cannot open file \"" + Path("missing.xyz") +
                         "\". No such file or directory.\n"
                         "tracella-sketch: Cannot open file \"" +
                         Path("folder.png") + "\". Is a directory.\n");
  EXPECT_EQ(QDir(Path("out/deeper")).entryList(QDir::Files), (QStringList{"photo.png", "second.png"}));
  EXPECT_EQ(Sketch({"--out-dir", Path("out/deeper"), "--format", "jpg", Path("photo.png")}).exitCode,
            0);  // photo.jpg beside photo.png
}

TEST_F(SketchCommandTest, AnOutDirThatCannotBeMadeIsRefusedBeforeAnyWork) {
  Write(Path("file"), "");
  const Outcome run = Sketch({"--out-dir", Path("file/out"), Path("photo.png")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "tracella-sketch: Cannot create folder \"" + Path("file/out") + "\". Not a directory.\n");
}

TEST_F(SketchCommandTest, TwoInputsForOneOutputWriteTheFirstOnly) {
  ASSERT_TRUE(QFile::copy(Path("photo.png"), Path("photo.gif")));  // a PNG, whatever the name says
  const Outcome run =
      Sketch({"--force", "--jobs", "2", "--out-dir", Path("out"), Path("photo.png"), Path("photo.gif")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("tracella-sketch: %1 skipped: %2 is sketched to %3 too.\n")
                         .arg(Path("photo.gif"), Path("photo.png"), Path("out/photo.png")));
}

// Inputs in different folders keep their folders under --out-dir, relative to the deepest folder
// holding them all or to --base.
TEST_F(SketchCommandTest, TheFolderTreeIsKept) {
  ASSERT_TRUE(QDir(dir_.path()).mkpath("photos/sub/deeper"));
  for (const char* name : {"photos/rocket.png", "photos/sub/rocket.png", "photos/sub/deeper/b.png"})
    ASSERT_TRUE(QFile::copy(Path("photo.png"), Path(name)));
  const QStringList inputs{Path("photos/rocket.png"), Path("photos/sub/rocket.png"), Path("photos/sub/deeper/b.png")};
  const Outcome common = Sketch(QStringList{"--jobs", "2", "--out-dir", Path("tree")} + inputs);
  EXPECT_EQ(common.exitCode, 0) << common.err.toStdString();
  for (const char* name : {"tree/rocket.png", "tree/sub/rocket.png", "tree/sub/deeper/b.png"})
    EXPECT_TRUE(QFile::exists(Path(name))) << name;
  // One input: its own folder is the common one.
  EXPECT_EQ(Sketch({"--out-dir", Path("one"), Path("photos/sub/deeper/b.png")}).exitCode, 0);
  EXPECT_TRUE(QFile::exists(Path("one/b.png")));

  const Outcome based = Sketch({"--base", dir_.path(), "--out-dir", Path("based"), Path("photos/sub/rocket.png")});
  EXPECT_EQ(based.exitCode, 0) << based.err.toStdString();
  EXPECT_TRUE(QFile::exists(Path("based/photos/sub/rocket.png")));

  const Outcome outside = Sketch(
      {"--base", Path("photos/sub"), "--out-dir", Path("outside"), Path("photo.png"), Path("photos/rocket.png")});
  EXPECT_EQ(outside.exitCode, 1);
  EXPECT_EQ(outside.err, QStringLiteral("tracella-sketch: %1 is not inside the --base folder %2.\n")
                             .arg(Path("photo.png"), Path("photos/sub")));
  EXPECT_FALSE(QFile::exists(Path("outside")));
}

// With or without --force, by any name: a hard link, a folder reached through a link, the same
// path spelt otherwise.
TEST_F(SketchCommandTest, AnInputIsNeverWrittenOver) {
  ASSERT_TRUE(QDir(dir_.path()).mkpath("od"));
  ASSERT_TRUE(QFile::copy(Path("photo.png"), Path("od/q.jpg")));  // a PNG named .jpg: read by content
  ASSERT_EQ(::link(QFile::encodeName(Path("photo.png")).constData(), QFile::encodeName(Path("hard.png")).constData()),
            0);
  ASSERT_TRUE(QFile::link(Path("od"), Path("linked")));
  const QByteArray photo = Contents(Path("photo.png"));
  const QByteArray q = Contents(Path("od/q.jpg"));
  const struct {
    QStringList arguments;
    QString input;
  } cases[] = {
      {{"--force", "--format", "jpg", "--out-dir", Path("od"), Path("od/q.jpg")}, Path("od/q.jpg")},
      {{"--format", "jpg", "--out-dir", Path("linked"), Path("od/q.jpg")}, Path("od/q.jpg")},
      {{"--force", Path("photo.png"), Path("hard.png")}, Path("photo.png")},
      {{"--force", "--format", "png", "--out-dir", dir_.path() + "/./od/..", Path("photo.png"), Path("x.png")},
       Path("photo.png")},
  };
  for (const auto& [arguments, input] : cases) {
    const Outcome run = Sketch(arguments);
    EXPECT_EQ(run.exitCode, 1) << arguments.join(' ').toStdString();
    EXPECT_EQ(run.err, "tracella-sketch: " + input + " is an input; it is never written over.\n");
  }
  EXPECT_EQ(Contents(Path("photo.png")), photo);
  EXPECT_EQ(Contents(Path("od/q.jpg")), q);
  EXPECT_FALSE(QFile::exists(Path("x.png")));
}

// The content says what a file is; the name does not.
TEST_F(SketchCommandTest, InputsAreReadByTheirContent) {
  ASSERT_TRUE(QFile::copy(Path("photo.png"), Path("no-extension")));
  ASSERT_TRUE(QFile::copy(Path("photo.png"), Path("wrong.jpg")));
  Write(Path("notes.png"), "shopping: eggs, flour\n");
  const Outcome run =
      Sketch({"--format", "png", "--out-dir", Path("out"), Path("no-extension"), Path("wrong.jpg"), Path("notes.png")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "tracella-sketch: " + Path("notes.png") + ": not a picture file this program reads.\n");
  EXPECT_EQ(QImage(Path("out/no-extension.png")).size(), QSize(8, 8));
  EXPECT_EQ(Contents(Path("out/wrong.png")), Contents(Path("out/no-extension.png")));
  EXPECT_EQ(Sketch({"--format", "png", "-", "-"}, "GIF89a but no more").err,
            "tracella-sketch: Loading bitmap failed (standard input).\n");
}

// Many pictures at once give the very files one at a time gives, in every format.
TEST_F(SketchCommandTest, JobsInParallelWriteTheSameBytesAsOneAtATime) {
  QStringList inputs;
  for (int i = 0; i < 8; ++i) {
    const TBitmap random = RandomImage(40 + i, 30, static_cast<std::uint32_t>(i));
    const QImage image(reinterpret_cast<const uchar*>(random.Pixels()), random.Width(), random.Height(),
                       QImage::Format_RGB32);
    inputs << Path(QStringLiteral("p%1.png").arg(i));
    ASSERT_TRUE(image.save(inputs.last()));
  }
  for (const char* format : {"png", "jpg", "svg"}) {
    const QStringList common{"--threshold", "30", "--blur", "0.8", "--format", format};
    ASSERT_EQ(Sketch(common + QStringList{"--jobs", "1", "--out-dir", Path("one")} + inputs).exitCode, 0) << format;
    ASSERT_EQ(Sketch(common + QStringList{"--jobs", "4", "--out-dir", Path("four")} + inputs).exitCode, 0) << format;
  }
  const QStringList written = QDir(Path("one")).entryList(QDir::Files);
  ASSERT_EQ(written.size(), 24);
  EXPECT_EQ(QDir(Path("four")).entryList(QDir::Files), written);
  for (const QString& name : written)
    EXPECT_EQ(Contents(Path("four/" + name)), Contents(Path("one/" + name))) << name.toStdString();
}

TEST(SketchWorkersTest, OnePerProcessorLoweredByMemoryUnlessJobsAreGiven) {
  struct Case {
    const char* name;
    int requested;
    int processors;
    qint64 availableBytes;
    qint64 largestPixels;
    const char* format;
    int workers;
  };
  // A 12 MP picture takes 16 bytes a pixel as PNG or JPEG, 96 as SVG.
  constexpr qint64 k12MP = 12'000'000;
  constexpr qint64 kTwoPngJobs = k12MP * 16 * 2;
  constexpr qint64 kTwoSvgJobs = k12MP * 96 * 2;
  const Case cases[] = {
      {"plenty of memory", 0, 4, qint64{64} << 30, 2 * k12MP, "png", 4},
      {"memory for exactly two", 0, 4, kTwoPngJobs, k12MP, "png", 2},
      {"a byte short of two", 0, 4, kTwoPngJobs - 1, k12MP, "png", 1},
      {"SVG, memory for exactly two", 0, 4, kTwoSvgJobs, k12MP, "svg", 2},
      {"SVG, a byte short of two", 0, 4, kTwoSvgJobs - 1, k12MP, "svg", 1},
      {"JPEG as PNG", 0, 8, 2 * kTwoPngJobs, k12MP, "jpg", 4},
      {"not even one fits", 0, 4, 1'000'000, 2 * k12MP, "png", 1},
      {"memory unknown", 0, 4, -1, 2 * k12MP, "png", 4},
      {"pixels unknown", 0, 4, 1'000'000, 0, "png", 4},
      {"--jobs above the processors", 6, 2, qint64{64} << 30, k12MP, "png", 6},
      {"--jobs above what memory holds", 3, 8, 1'000'000, 2 * k12MP, "svg", 3},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SketchWorkers(c.requested, c.processors, c.availableBytes, c.largestPixels, c.format), c.workers)
        << c.name;
}

TEST_F(SketchCommandTest, NamesFromAFileOrStandardInput) {
  ASSERT_TRUE(QFile::copy(Path("photo.png"), Path("with space.png")));
  ASSERT_TRUE(QFile::copy(Path("photo.png"), Path("line\nbreak.png")));
  Write(Path("list"), (Path("photo.png") + "\n\n" + Path("with space.png") + "\n").toUtf8());
  ASSERT_EQ(Sketch({"--out-dir", Path("lines"), "--from", Path("list")}).exitCode, 0);
  EXPECT_EQ(QDir(Path("lines")).entryList(QDir::Files), (QStringList{"photo.png", "with space.png"}));

  const QByteArray nulEnded = (Path("line\nbreak.png") + '\0' + Path("photo.png")).toUtf8();
  const Outcome run = Sketch({"--out-dir", Path("nul"), "--from", "-", "-0"}, nulEnded);
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(QDir(Path("nul")).entryList(QDir::Files), (QStringList{"line\nbreak.png", "photo.png"}));

  // Windows line ends, a named FIFO, and a pipe the shell hands over as /dev/fd/N.
  Write(Path("crlf"), (Path("photo.png") + "\r\n\r\n" + Path("with space.png") + "\r\n").toUtf8());
  ASSERT_EQ(Sketch({"--out-dir", Path("crlf-out"), "--from", Path("crlf")}).exitCode, 0);
  EXPECT_EQ(QDir(Path("crlf-out")).entryList(QDir::Files), (QStringList{"photo.png", "with space.png"}));
  ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo")).constData(), 0600), 0);
  const Outcome fifo =
      Sketch({"-c", QStringLiteral("printf '%s\\n' \"$1\" > \"$2\" & exec \"$0\" --out-dir \"$3\" --from \"$2\""),
              TRACELLA_SKETCH_PROGRAM, Path("photo.png"), Path("fifo"), Path("fifo-out")},
             {}, {}, "/bin/bash");
  EXPECT_EQ(fifo.exitCode, 0) << fifo.err.toStdString();
  EXPECT_EQ(QDir(Path("fifo-out")).entryList(QDir::Files), QStringList{"photo.png"});
  const Outcome pipe = Sketch({"-c", "exec \"$0\" --out-dir \"$2\" --from <(printf '%s\\n' \"$1\")",
                               TRACELLA_SKETCH_PROGRAM, Path("photo.png"), Path("pipe-out")},
                              {}, {}, "/bin/bash");
  EXPECT_EQ(pipe.exitCode, 0) << pipe.err.toStdString();
  EXPECT_EQ(QDir(Path("pipe-out")).entryList(QDir::Files), QStringList{"photo.png"});

  const Outcome missing = Sketch({"--out-dir", Path("none"), "--from", Path("no-list")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.err.startsWith("tracella-sketch: Cannot open file")) << missing.err.toStdString();
  EXPECT_FALSE(QFile::exists(Path("none")));
}

TEST_F(SketchCommandTest, DecodersSayNothingUnlessAskedAndThenSayWhy) {
  // Damaged files on which Qt's BMP reader, libtiff and libpng complain.
  QImage photo(64, 48, QImage::Format_ARGB32);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) photo.setPixel(x, y, qRgba(x * 4, y * 5, x ^ y, 200));
  QStringList arguments{"--out-dir", Path("out")};
  QString expected;
  for (const char* format : {"bmp", "tiff", "png"}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && photo.save(&buffer, format)) << format;
    const QString path = Path(QStringLiteral("cut-%1.%1").arg(QLatin1String(format)));
    QFile cut(path);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly) && cut.write(bytes.left(bytes.size() * 2 / 3)) > 0) << format;
    arguments << path;
    expected += "tracella-sketch: Loading bitmap failed (" + path + ").\n";
  }
  const Outcome quiet = Sketch(arguments);
  EXPECT_EQ(quiet.exitCode, 1);
  EXPECT_EQ(quiet.err, expected);
  const Outcome told = Sketch(arguments, {}, "tracella.codecs=true");
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
  QProcess terminal;
  terminal.start("script", {"-qec",
                            QStringLiteral("'%1' --jobs 1 --out-dir '%2' '%3' missing.png")
                                .arg(TRACELLA_SKETCH_PROGRAM, Path("out"), Path("photo.png")),
                            "/dev/null"});
  ASSERT_TRUE(terminal.waitForFinished(60000));
  EXPECT_EQ(terminal.exitCode(), 1);
  const QString screen = QString::fromUtf8(terminal.readAllStandardOutput());
  EXPECT_TRUE(screen.startsWith("\r\x1b[K[0/2]")) << screen.toStdString();
  EXPECT_TRUE(screen.contains("\r\x1b[Ktracella-sketch: Cannot open file")) << screen.toStdString();
  EXPECT_TRUE(screen.contains(QRegularExpression("\\[2/2\\] [0-9.]+/s, 0:00 left"))) << screen.toStdString();
  EXPECT_TRUE(screen.endsWith("\r\x1b[K")) << screen.toStdString();
}

TEST_F(SketchCommandTest, UsageErrorsAreOneLineAndHelpAndVersionExitZero) {
  const Outcome usage = Sketch({"--threshold", "40", Path("photo.png"), Path("x.png")});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_EQ(usage.err,
            "tracella-sketch: --threshold must be a number from 3 to 33, not '40'\n"
            "Try 'tracella-sketch --help'.\n");
  EXPECT_FALSE(QFile::exists(Path("x.png")));
  EXPECT_EQ(Sketch({Path("photo.png"), Path("x.gif")}).exitCode, 2);
  const Outcome help = Sketch({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains("--out-dir DIR"));
  const Outcome version = Sketch({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(version.out.startsWith("tracella-sketch (Tracella) " TRACELLA_VERSION "\n"));
}

}  // namespace
}  // namespace tracella
