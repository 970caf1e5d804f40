#pragma once

#include <cstddef>

#include "Bitmap.h"
#include "GrayPlane.h"

namespace tracella {

// The orientation tag (1 to 8) of an EXIF block, the APP1 segment's content after its length;
// 1 (upright as stored) when the block holds none or cannot be read.
int ExifOrientationOf(const unsigned char* segment, std::size_t size);

// The stored picture turned and mirrored as the orientation tag says, so that it stands upright.
TBitmap Oriented(const TBitmap& stored, int orientation);
TGrayPlane Oriented(const TGrayPlane& stored, int orientation);

}  // namespace tracella
