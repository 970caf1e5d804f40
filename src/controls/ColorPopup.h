#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "AlphaColor.h"

class QLineEdit;
class QPainter;

namespace tracella {

// The drop-down of TComboColorBox: a saturation/lightness square, a hue strip, an alpha strip
// when alpha can be chosen, a preview and a text field. It keeps hue, saturation and lightness
// of its own, so a grey or a black does not lose the hue the user was working in.
class ColorPopup : public QWidget {
 public:
  explicit ColorPopup(QWidget* owner);

  // Shows a colour set from outside; picks of the popup's own come back unchanged and keep the
  // popup's finer hue, saturation and lightness.
  void ShowColor(TAlphaColor color);
  void SetAlphaVisible(bool visible);
  // Called with every colour the user picks or types.
  std::function<void(TAlphaColor)> OnPick;

  QRect SquareRect() const;
  QRect HueRect() const;
  QRect AlphaRect() const;  // empty while alpha cannot be chosen
  QRect PreviewRect() const;
  QLineEdit* TextField() const;

  static void PaintSwatch(QPainter& painter, const QRect& rect, TAlphaColor color);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  enum class Region { None, Square, Hue, Alpha };

  void LayOut();
  // The popup's size, callable from the constructor, where sizeHint's virtual dispatch is not.
  QSize FittingSize() const;
  Region RegionAt(QPoint point) const;
  void PickAt(QPoint point);
  void Pick(TAlphaColor color);
  void ApplyText();
  void RenderSquare();
  void PaintMarkers(QPainter& painter) const;

  QLineEdit* text_;
  TAlphaColor color_ = claWhite;
  double hue_ = 0;
  double saturation_ = 0;
  double lightness_ = 1;
  bool alphaVisible_ = true;
  QImage square_;
  double squareHue_ = -1;  // the hue square_ was rendered for
  Region dragging_ = Region::None;
};

}  // namespace tracella
