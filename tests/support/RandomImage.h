#pragma once

#include <cstdint>

#include "Bitmap.h"

namespace tracella {

// A width x height bitmap of pseudo-random pixels, the same for the same seed.
TBitmap RandomImage(int width, int height, std::uint32_t seed);

}  // namespace tracella
