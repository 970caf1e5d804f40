#include "Wordmark.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <stdexcept>

#include "SoftShadow.h"

namespace {
constexpr QSize WordmarkSize(332, 117);
const QColor Ink(0x1f, 0x2a, 0x44);
const QColor Accent(0xd9, 0x8a, 0x1c);
}  // namespace

QImage DrawWordmark(const QString& fontFile) {
  const int id = QFontDatabase::addApplicationFont(fontFile);
  if (id < 0) throw std::runtime_error("cannot load the font " + fontFile.toStdString());
  QFont font(QFontDatabase::applicationFontFamilies(id).constFirst());
  font.setPixelSize(70);
  font.setStyleStrategy(QFont::PreferAntialias);

  // The letters as a path, centred, leaving room below for the pencil stroke and the shadow.
  QPainterPath word;
  word.addText(0, 0, font, QStringLiteral("Tracella"));
  const QRectF bounds = word.boundingRect();
  word.translate(WordmarkSize.width() / 2.0 - bounds.center().x(), 54 - bounds.center().y());

  QImage letters(WordmarkSize, QImage::Format_ARGB32_Premultiplied);
  letters.fill(Qt::transparent);
  {
    QPainter p(&letters);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(word, Ink);
    // A traced line under the word, like a pencil stroke.
    QPainterPath stroke;
    const QRectF placed = word.boundingRect();
    stroke.moveTo(placed.left() + 4, placed.bottom() + 12);
    stroke.cubicTo(placed.left() + 90, placed.bottom() + 4, placed.right() - 110, placed.bottom() + 18,
                   placed.right() - 4, placed.bottom() + 8);
    p.setPen(QPen(Accent, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(stroke);
  }

  QImage result(WordmarkSize, QImage::Format_ARGB32_Premultiplied);
  result.fill(Qt::transparent);
  QPainter p(&result);
  p.drawImage(QPoint(3, 4), SoftShadow(letters, 3, QColor(0, 0, 0, 110)));
  p.drawImage(QPoint(0, 0), letters);
  p.end();
  return result.convertToFormat(QImage::Format_ARGB32);
}
