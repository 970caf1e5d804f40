#include "TComboColorBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

#include "ColorPopup.h"
#include "Guard.h"

namespace tracella {

TComboColorBox::TComboColorBox(QWidget* parent) : QWidget(parent), popup_(new ColorPopup(this)) {
  setFocusPolicy(Qt::StrongFocus);
  popup_->ShowColor(color_);
  popup_->SetAlphaVisible(useAlpha_);
  popup_->OnPick = [this](TAlphaColor color) { SetColor(color); };
}

TAlphaColor TComboColorBox::Color() const { return color_; }

void TComboColorBox::SetColor(TAlphaColor color) {
  if (color == color_) return;
  color_ = color;
  popup_->ShowColor(color_);
  update();
  if (OnChange) OnChange();
}

bool TComboColorBox::UseAlpha() const { return useAlpha_; }

void TComboColorBox::SetUseAlpha(bool useAlpha) {
  useAlpha_ = useAlpha;
  popup_->SetAlphaVisible(useAlpha_);
}

QSize TComboColorBox::sizeHint() const { return {60, 22}; }

void TComboColorBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  option.initFrom(this);
  option.frame = true;
  option.editable = false;
  if (popup_->isVisible()) option.state |= QStyle::State_On;
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  ColorPopup::PaintSwatch(painter, field.adjusted(1, 2, -1, -2), color_);
}

void TComboColorBox::DropDown() {
  popup_->adjustSize();
  QPoint place = mapToGlobal(QPoint(0, height()));
  if (const QScreen* screen = this->screen()) {
    const QRect available = screen->availableGeometry();
    if (place.y() + popup_->height() > available.bottom()) place.setY(mapToGlobal(QPoint()).y() - popup_->height());
    place.setX(
        std::clamp(place.x(), available.left(), std::max(available.left(), available.right() - popup_->width())));
  }
  popup_->move(place);
  popup_->show();
  update();
}

void TComboColorBox::mousePressEvent(QMouseEvent* event) {
  Guarded([&] {
    if (event->button() != Qt::LeftButton) return event->ignore();
    DropDown();
  });
}

void TComboColorBox::keyPressEvent(QKeyEvent* event) {
  Guarded([&] {
    const bool opens = event->key() == Qt::Key_Space || event->key() == Qt::Key_F4 ||
                       (event->key() == Qt::Key_Down && event->modifiers() & Qt::AltModifier);
    if (!opens) return event->ignore();
    DropDown();
  });
}

}  // namespace tracella
