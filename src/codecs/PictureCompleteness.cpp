#include "PictureCompleteness.h"

#include "BmpCompleteness.h"
#include "GifCompleteness.h"

namespace tracella {

bool HoldsWholePicture(const QByteArray& format, const QByteArray& bytes) {
  if (format == "gif") return GifHoldsFirstPicture(bytes);
  if (format == "bmp") return BmpHoldsAllRows(bytes);
  return true;
}

}  // namespace tracella
