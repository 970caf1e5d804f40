#include "MakePhoto.h"

#include <QImage>
#include <QImageWriter>
#include <algorithm>
#include <cstdio>

namespace tracella::bench {

bool MakePhoto(const QString& target, const QString& source, QSize size) {
  const QImage photo(source);
  if (photo.isNull()) {
    std::fprintf(stderr, "cannot read %s\n", qPrintable(source));
    return false;
  }
  const int width = std::min(photo.width(), photo.height() * 3 / 2);
  const int height = width * 2 / 3;
  const QImage cropped = photo.copy((photo.width() - width) / 2, (photo.height() - height) / 2, width, height);
  QImageWriter writer(target, "jpeg");
  writer.setQuality(92);
  if (!writer.write(cropped.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))) {
    std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(target), qPrintable(writer.errorString()));
    return false;
  }
  return true;
}

}  // namespace tracella::bench
