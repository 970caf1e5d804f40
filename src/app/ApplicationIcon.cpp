#include "ApplicationIcon.h"

#include <array>

namespace tracella {

QIcon ApplicationIcon() {
  QIcon icon;
  for (const int size : std::array{256, 128, 64, 48, 32, 24, 16})
    icon.addFile(QStringLiteral(":/tracella/icons/%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace tracella
