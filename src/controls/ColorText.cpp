#include "ColorText.h"

#include <QColor>
#include <QRegularExpression>

namespace tracella {

std::optional<TAlphaColor> ParseColorText(const QString& text) {
  static const QRegularExpression bareAarrggbb(QStringLiteral("^[0-9A-Fa-f]{8}$"));
  const QString trimmed = text.trimmed();
  if (bareAarrggbb.match(trimmed).hasMatch()) return trimmed.toUInt(nullptr, 16);
  const QColor color = QColor::fromString(trimmed);
  if (!color.isValid()) return std::nullopt;
  return color.rgba();
}

}  // namespace tracella
