#include "FitPicture.h"

#include <QPainter>

#include "Guard.h"

namespace tracella {

FitPicture::FitPicture(const QString& resource, QWidget* parent) : QWidget(parent), picture_(resource) {}

QRectF FitPicture::FitRect(QSizeF picture, QSizeF control) {
  const QSizeF shown = (picture.width() > control.width() || picture.height() > control.height())
                           ? picture.scaled(control, Qt::KeepAspectRatio)
                           : picture;
  return {QPointF((control.width() - shown.width()) / 2, (control.height() - shown.height()) / 2), shown};
}

void FitPicture::paintEvent(QPaintEvent*) {
  Guarded([&] {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(FitRect(picture_.size(), size()), picture_, picture_.rect());
  });
}

}  // namespace tracella
