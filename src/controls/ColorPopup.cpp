#include "ColorPopup.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>

#include "ColorText.h"
#include "Guard.h"

namespace tracella {

namespace {
constexpr int kMargin = 6;
constexpr int kSquareSize = 128;
constexpr int kStripWidth = 16;
constexpr int kRowHeight = 22;
constexpr int kPreviewWidth = 40;

QString ColorText(TAlphaColor color) { return QColor::fromRgba(color).name(QColor::HexArgb).toUpper(); }

TAlphaColor FromHsl(double hue, double saturation, double lightness, std::uint8_t alpha) {
  const QColor rgb =
      QColor::fromHslF(static_cast<float>(hue), static_cast<float>(saturation), static_cast<float>(lightness));
  return MakeColor(alpha, static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
                   static_cast<std::uint8_t>(rgb.blue()));
}

// 0 at the rect's first pixel, 1 at its last.
double Fraction(int position, int start, int length) {
  return length > 1 ? std::clamp(static_cast<double>(position - start) / (length - 1), 0.0, 1.0) : 0.0;
}

void PaintChequers(QPainter& painter, const QRect& rect) {
  constexpr int kCell = 4;
  painter.fillRect(rect, Qt::white);
  for (int y = rect.top(); y <= rect.bottom(); y += kCell)
    for (int x = rect.left() + ((y - rect.top()) / kCell % 2) * kCell; x <= rect.right(); x += 2 * kCell)
      painter.fillRect(QRect(x, y, kCell, kCell).intersected(rect), Qt::lightGray);
}
}  // namespace

ColorPopup::ColorPopup(QWidget* owner) : QWidget(owner, Qt::Popup), text_(new QLineEdit(this)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  text_->setText(ColorText(color_));
  connect(text_, &QLineEdit::editingFinished, this, [this] { Guarded([this] { ApplyText(); }); });
  LayOut();
}

QRect ColorPopup::SquareRect() const { return {kMargin, kMargin, kSquareSize, kSquareSize}; }

QRect ColorPopup::HueRect() const { return {SquareRect().right() + 1 + kMargin, kMargin, kStripWidth, kSquareSize}; }

QRect ColorPopup::AlphaRect() const {
  if (!alphaVisible_) return {};
  return {HueRect().right() + 1 + kMargin, kMargin, kStripWidth, kSquareSize};
}

QRect ColorPopup::PreviewRect() const {
  return {kMargin, SquareRect().bottom() + 1 + kMargin, kPreviewWidth, kRowHeight};
}

QLineEdit* ColorPopup::TextField() const { return text_; }

QSize ColorPopup::sizeHint() const { return FittingSize(); }

QSize ColorPopup::FittingSize() const {
  const int right = alphaVisible_ ? AlphaRect().right() : HueRect().right();
  return {right + 1 + kMargin, PreviewRect().bottom() + 1 + kMargin};
}

void ColorPopup::SetAlphaVisible(bool visible) {
  alphaVisible_ = visible;
  LayOut();
  update();
}

void ColorPopup::LayOut() {
  const QRect preview = PreviewRect();
  resize(FittingSize());
  text_->setGeometry(preview.right() + 1 + kMargin, preview.top(), width() - preview.right() - 1 - 2 * kMargin,
                     kRowHeight);
}

void ColorPopup::ShowColor(TAlphaColor color) {
  if (color == color_) return;
  color_ = color;
  const QColor rgb = QColor::fromRgba(color);
  if (rgb.hslHueF() >= 0) hue_ = rgb.hslHueF();  // greys have no hue: keep the one we had
  saturation_ = rgb.hslSaturationF();
  lightness_ = rgb.lightnessF();
  text_->setText(ColorText(color_));
  update();
}

void ColorPopup::Pick(TAlphaColor color) {
  color_ = color;
  text_->setText(ColorText(color_));
  update();
  if (OnPick) OnPick(color_);
}

ColorPopup::Region ColorPopup::RegionAt(QPoint point) const {
  if (SquareRect().contains(point)) return Region::Square;
  if (HueRect().contains(point)) return Region::Hue;
  if (AlphaRect().contains(point)) return Region::Alpha;
  return Region::None;
}

// Mouse picks keep the current alpha unless the alpha strip itself is dragged.
void ColorPopup::PickAt(QPoint point) {
  std::uint8_t alpha = AlphaOf(color_);
  switch (dragging_) {
    case Region::Square: {
      const QRect square = SquareRect();
      saturation_ = Fraction(point.x(), square.x(), square.width());
      lightness_ = 1 - Fraction(point.y(), square.y(), square.height());
      break;
    }
    case Region::Hue: {
      const QRect strip = HueRect();
      hue_ = Fraction(point.y(), strip.y(), strip.height());
      break;
    }
    case Region::Alpha: {
      const QRect strip = AlphaRect();
      alpha = static_cast<std::uint8_t>(std::lround(255 * (1 - Fraction(point.y(), strip.y(), strip.height()))));
      break;
    }
    case Region::None:
      return;
  }
  const TAlphaColor picked = FromHsl(hue_, saturation_, lightness_, alpha);
  if (picked == color_) return update();  // the marker may still have moved
  Pick(picked);
}

// Typed text carries its own alpha (names are opaque); text that is not a colour gives way to
// the colour we have.
void ColorPopup::ApplyText() {
  const std::optional<TAlphaColor> typed = ParseColorText(text_->text());
  if (!typed) {
    text_->setText(ColorText(color_));
    return;
  }
  const TAlphaColor color = *typed;
  if (color == color_) return text_->setText(ColorText(color_));
  ShowColor(color);
  Pick(color);
}

void ColorPopup::RenderSquare() {
  if (squareHue_ == hue_ && !square_.isNull()) return;
  square_ = QImage(kSquareSize, kSquareSize, QImage::Format_RGB32);
  for (int y = 0; y < kSquareSize; ++y) {
    auto* line = reinterpret_cast<QRgb*>(square_.scanLine(y));
    const double lightness = 1 - Fraction(y, 0, kSquareSize);
    for (int x = 0; x < kSquareSize; ++x) line[x] = FromHsl(hue_, Fraction(x, 0, kSquareSize), lightness, 0xFF);
  }
  squareHue_ = hue_;
}

void ColorPopup::PaintSwatch(QPainter& painter, const QRect& rect, TAlphaColor color) {
  if (AlphaOf(color) != 0xFF) PaintChequers(painter, rect);
  painter.fillRect(rect, QColor::fromRgba(color));
  painter.setPen(QColor(0, 0, 0, 96));
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

void ColorPopup::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  QStyleOptionFrame frame;
  frame.initFrom(this);
  frame.lineWidth = style()->pixelMetric(QStyle::PM_MenuPanelWidth, &frame, this);
  style()->drawPrimitive(QStyle::PE_FrameMenu, &frame, &painter, this);

  RenderSquare();
  painter.drawImage(SquareRect(), square_);

  const QRect hue = HueRect();
  QLinearGradient hues(hue.topLeft(), hue.bottomLeft());
  for (int i = 0; i <= 6; ++i)
    hues.setColorAt(i / 6.0, QColor::fromHsvF(i == 6 ? 0.0f : static_cast<float>(i) / 6, 1, 1));
  painter.fillRect(hue, hues);

  if (alphaVisible_) {
    const QRect alpha = AlphaRect();
    PaintChequers(painter, alpha);
    QLinearGradient fade(alpha.topLeft(), alpha.bottomLeft());
    fade.setColorAt(0, QColor::fromRgb(color_ | 0xFF000000u));
    fade.setColorAt(1, QColor::fromRgba(color_ & 0x00FFFFFFu));
    painter.fillRect(alpha, fade);
  }
  PaintSwatch(painter, PreviewRect(), color_);
  PaintMarkers(painter);
}

void ColorPopup::PaintMarkers(QPainter& painter) const {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  const QRect square = SquareRect();
  const QPointF spot(square.x() + saturation_ * (square.width() - 1),
                     square.y() + (1 - lightness_) * (square.height() - 1));
  painter.setPen(QPen(lightness_ > 0.6 ? Qt::black : Qt::white, 1.5));
  painter.drawEllipse(spot, 4, 4);

  auto drawBar = [&painter](const QRect& strip, double fraction) {
    const double y = strip.y() + fraction * (strip.height() - 1);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(QRectF(strip.x() - 0.5, y - 2, strip.width(), 4));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(QPointF(strip.x(), y), QPointF(strip.right(), y));
  };
  drawBar(HueRect(), hue_);
  if (alphaVisible_) drawBar(AlphaRect(), 1 - AlphaOf(color_) / 255.0);
}

void ColorPopup::mousePressEvent(QMouseEvent* event) {
  Guarded([&] {
    if (!rect().contains(event->position().toPoint())) {
      // A press outside ends the popup and goes on to what it hit, except to our own button,
      // which would open the popup again.
      const QWidget* button = parentWidget();
      setAttribute(Qt::WA_NoMouseReplay,
                   button && button->rect().contains(button->mapFromGlobal(event->globalPosition().toPoint())));
      close();
      return;
    }
    if (event->button() != Qt::LeftButton) return;
    dragging_ = RegionAt(event->position().toPoint());
    PickAt(event->position().toPoint());
  });
}

void ColorPopup::mouseMoveEvent(QMouseEvent* event) {
  Guarded([&] {
    if (event->buttons() & Qt::LeftButton) PickAt(event->position().toPoint());
  });
}

void ColorPopup::mouseReleaseEvent(QMouseEvent*) { dragging_ = Region::None; }

// Escape cancels: what was typed is put back before the field's loss of focus could apply it.
void ColorPopup::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel)) text_->setText(ColorText(color_));
  QWidget::keyPressEvent(event);
}

void ColorPopup::hideEvent(QHideEvent*) {
  dragging_ = Region::None;
  if (parentWidget()) parentWidget()->update();  // the drop-down button is no longer pressed
}

}  // namespace tracella
