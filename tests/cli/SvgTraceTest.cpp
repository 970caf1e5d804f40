#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "SvgTrace.h"

namespace tracella {
namespace {

constexpr TAlphaColor kPainted = 0xFF000000u;

// A painted sheet pierced by 2 x 2 holes every 4 pixels: one outline with 90000 holes, whose path
// data would be several megabytes.
TEST(SvgTraceTest, AnOutlineWithTooManyHolesIsMaskedByThemInPartsUnderAMegabyte) {
  constexpr int kSize = 1200;
  TBitmap sheet;
  sheet.SetSize(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) sheet.ScanLine(y)[x] = x % 4 >= 2 && y % 4 >= 2 ? 0xFFFFFFFFu : kPainted;
  SvgLook look;
  look.line = 0xFFFF0000u;
  look.whiteBackground = false;
  const std::optional<std::string> svg = TraceSvg(RowsOf(sheet), kPainted, look);
  ASSERT_TRUE(svg);
  const QString text = QString::fromStdString(*svg);
  EXPECT_TRUE(text.contains("<mask"));
  qsizetype longest = 0;
  for (const QRegularExpressionMatch& value : QRegularExpression("\"([^\"]*)\"").globalMatch(text))
    longest = std::max(longest, value.capturedLength(1));
  EXPECT_LE(longest, 1000000);

  // Drawn, every hole is open and everything between them red (away from the sheet's edge, which
  // the curves round off).
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile file(dir.filePath("sheet.svg"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(svg->data(), static_cast<qint64>(svg->size()));
  file.close();
  QProcess rsvg;
  rsvg.start("rsvg-convert", {"--output", dir.filePath("sheet.png"), file.fileName()});
  ASSERT_TRUE(rsvg.waitForFinished(120000));
  ASSERT_EQ(rsvg.exitCode(), 0) << rsvg.readAllStandardError().toStdString();
  const QImage drawn = QImage(dir.filePath("sheet.png")).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(drawn.size(), QSize(kSize, kSize));
  int wrong = 0;
  for (int y = 4; y < kSize - 4; y += 4) {
    for (int x = 4; x < kSize - 4; x += 4) {
      wrong += qAlpha(drawn.pixel(x, y)) < 200 || qRed(drawn.pixel(x, y)) < 200 || qGreen(drawn.pixel(x, y)) > 50;
      const int holeAlpha = qAlpha(drawn.pixel(x + 2, y + 2)) + qAlpha(drawn.pixel(x + 3, y + 2)) +
                            qAlpha(drawn.pixel(x + 2, y + 3)) + qAlpha(drawn.pixel(x + 3, y + 3));
      wrong += holeAlpha > 4 * 128;
    }
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace tracella
