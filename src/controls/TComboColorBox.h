#pragma once

#include <QWidget>
#include <functional>

#include "AlphaColor.h"

namespace tracella {

class ColorPopup;

// A drop-down button showing a colour swatch; a press opens a picker with a hue strip, a
// saturation/lightness square, a preview and a text field. OnChange runs inside the setter for
// every change of colour, whether the user picked it or the program set it.
class TComboColorBox : public QWidget {
 public:
  explicit TComboColorBox(QWidget* parent = nullptr);

  TAlphaColor Color() const;
  void SetColor(TAlphaColor color);
  // Without alpha the picker has no alpha control: colours picked with the mouse keep the
  // current alpha, while typed text still carries the alpha it gives.
  bool UseAlpha() const;
  void SetUseAlpha(bool useAlpha);

  std::function<void()> OnChange;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void DropDown();

  TAlphaColor color_ = claWhite;
  bool useAlpha_ = true;
  ColorPopup* popup_;
};

}  // namespace tracella
