#pragma once

#include <QString>
#include <optional>

#include "AlphaColor.h"

namespace tracella {

// The colour texts that the colour box's field and the sketch command both accept, blanks around
// them ignored: "#RRGGBB" and "#RGB" (opaque), "#AARRGGBB", the SVG colour names in any case
// ("red", "SteelBlue", "transparent"), and eight bare hex digits read as AARRGGBB, alpha first
// ("80FF0000" is half-transparent red, "FF0000FF" opaque blue). Nothing for any other text.
std::optional<TAlphaColor> ParseColorText(const QString& text);

}  // namespace tracella
