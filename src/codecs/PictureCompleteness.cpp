#include "PictureCompleteness.h"

#include "BmpCompleteness.h"

namespace tracella {

bool HoldsWholePicture(const QByteArray& format, const QByteArray& bytes) {
  if (format == "bmp") return BmpHoldsAllRows(bytes);
  return true;
}

}  // namespace tracella
