#include "Emblem.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {

const QColor Ink(0x1f, 0x2a, 0x44);
const QColor Faint(0x8a, 0x96, 0xad);
const QColor PaperTop(0xff, 0xff, 0xff);
const QColor PaperBottom(0xe9, 0xee, 0xf5);
const QColor PencilLight(0xf6, 0xb9, 0x3b);
const QColor PencilDark(0xd9, 0x8a, 0x1c);
const QColor Wood(0xf1, 0xd3, 0xa5);
const QColor Ferrule(0xa7, 0xb0, 0xbd);
const QColor Eraser(0xe8, 0x7a, 0x8a);

// Everything is drawn on a 256-unit square; `unit` is the size of one unit in pixels.
struct Canvas {
  QPainter& painter;
  double unit;
  // A pen at least `minimumPixels` wide, so thin lines survive small icon sizes.
  QPen Pen(const QColor& colour, double units, double minimumPixels) const {
    return QPen(colour, std::max(units, minimumPixels / unit), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  }
};

void DrawPaper(const Canvas& c) {
  const QRectF sheet(14, 14, 228, 228);
  QLinearGradient fill(sheet.topLeft(), sheet.bottomLeft());
  fill.setColorAt(0, PaperTop);
  fill.setColorAt(1, PaperBottom);
  c.painter.setBrush(fill);
  c.painter.setPen(c.Pen(Ink, 6, 1));
  c.painter.drawRoundedRect(sheet, 40, 40);
}

// The faint sketch in the background: hills under a sun.
void DrawLandscape(const Canvas& c) {
  c.painter.setBrush(Qt::NoBrush);
  c.painter.setPen(c.Pen(Faint, 5, 1));
  c.painter.drawEllipse(QPointF(78, 76), 22, 22);
  QPainterPath hills;
  hills.moveTo(34, 150);
  hills.lineTo(84, 100);
  hills.lineTo(112, 128);
  hills.lineTo(150, 86);
  hills.lineTo(222, 158);
  c.painter.drawPath(hills);
}

// The line the pencil has just drawn, ending at its tip.
void DrawTracedLine(const Canvas& c, bool small) {
  QPainterPath line;
  line.moveTo(small ? 40 : 34, 200);
  line.cubicTo(68, 158, 88, 232, 118, 192);
  c.painter.setBrush(Qt::NoBrush);
  c.painter.setPen(c.Pen(Ink, small ? 16 : 9, 1.5));
  c.painter.drawPath(line);
}

// A pencil lying along the x axis with its point at the origin, turned to point down-left.
void DrawPencil(const Canvas& c, bool small) {
  c.painter.save();
  c.painter.translate(118, 192);
  c.painter.rotate(-45);
  const double half = small ? 26 : 22;
  const double length = 166;
  const double cone = 46;
  const double outline = small ? 8 : 5;

  QPainterPath body;
  body.addRect(QRectF(cone, -half, length - cone - 34, 2 * half));
  QLinearGradient facets(0, -half, 0, half);
  facets.setColorAt(0, PencilLight);
  facets.setColorAt(0.5, PencilLight);
  facets.setColorAt(0.51, PencilDark);
  facets.setColorAt(1, PencilDark);
  c.painter.setPen(c.Pen(Ink, outline, 1));
  c.painter.setBrush(facets);
  c.painter.drawPath(body);

  c.painter.setBrush(Ferrule);
  c.painter.drawRect(QRectF(length - 34, -half, 14, 2 * half));
  c.painter.setBrush(Eraser);
  c.painter.drawRoundedRect(QRectF(length - 20, -half, 20, 2 * half), 6, 6);

  QPolygonF wood({QPointF(0, 0), QPointF(cone, -half), QPointF(cone, half)});
  c.painter.setBrush(Wood);
  c.painter.drawPolygon(wood);
  QPolygonF lead({QPointF(0, 0), QPointF(cone * 0.38, -half * 0.38), QPointF(cone * 0.38, half * 0.38)});
  c.painter.setBrush(Ink);
  c.painter.drawPolygon(lead);
  c.painter.restore();
}

}  // namespace

QImage DrawEmblem(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const double unit = size / 256.0;
  painter.scale(unit, unit);
  const Canvas canvas{painter, unit};
  const bool small = size < 48;

  DrawPaper(canvas);
  if (!small) DrawLandscape(canvas);
  DrawTracedLine(canvas, small);
  DrawPencil(canvas, small);
  painter.end();
  return image.convertToFormat(QImage::Format_ARGB32);
}
