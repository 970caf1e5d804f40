#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "CenterlineSvg.h"
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

// One line of 300000 pixels, each a corner: a zigzag running back and forth across the sheet. Its
// path data would pass a megabyte, so it goes on in further paths, each from where the last ended.
TEST(SvgTraceTest, ACentreLineTooLongForOnePathGoesOnInTheNext) {
  constexpr int kSpan = 1600;  // even: a row ends a pixel below where it starts
  constexpr int kRows = 190;
  TBitmap sheet;
  sheet.SetSize(kSpan + 2, 3 * kRows + 2);
  for (int y = 0; y < sheet.Height(); ++y) std::fill_n(sheet.ScanLine(y), sheet.Width(), 0xFFFFFFFFu);
  for (int row = 0; row < kRows; ++row) {
    for (int i = 0; i < kSpan; ++i) {
      const int x = row % 2 == 0 ? 1 + i : kSpan - i;
      sheet.ScanLine(3 * row + 1 + i % 2)[x] = kPainted;
    }
    if (row + 1 < kRows) sheet.ScanLine(3 * row + 3)[row % 2 == 0 ? kSpan : 1] = kPainted;  // down to the next
  }
  SvgLook look;
  const std::string svg = CenterlineSvg(RowsOf(sheet), kPainted, look);
  std::vector<std::vector<long>> paths;  // each one's numbers
  for (const QRegularExpressionMatch& d :
       QRegularExpression("<path d=\"([^\"]*)\"").globalMatch(QString::fromStdString(svg))) {
    EXPECT_LE(d.capturedLength(1), 1000000);
    paths.emplace_back();
    for (const QRegularExpressionMatch& number : QRegularExpression("-?[0-9]+").globalMatch(d.captured(1)))
      paths.back().push_back(number.captured().toLong());
  }
  ASSERT_GE(paths.size(), 2u);
  long x = 0, y = 0;  // where the last path ended
  long points = 0;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (i > 0) {
      EXPECT_EQ(paths[i][0], x);
      EXPECT_EQ(paths[i][1], y);
    }
    x = paths[i][0];
    y = paths[i][1];
    for (std::size_t k = 2; k + 1 < paths[i].size(); k += 2) {
      x += paths[i][k];
      y += paths[i][k + 1];
      ++points;
    }
  }
  // Every pixel of the zigzag is a corner; the steps down to the next row go straight through.
  EXPECT_EQ(points, static_cast<long>(kRows) * kSpan - 1);
  EXPECT_EQ(x, 1);  // the last row runs leftwards
}

}  // namespace
}  // namespace tracella
