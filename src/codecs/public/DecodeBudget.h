#pragma once

#include <QSize>
#include <cstdint>
#include <optional>

#include "Refusal.h"

namespace tracella {

// How large a picture may be. The PNG, TIFF, GIF, bit-field and RLE BMP, and JPEG XR decoders fit a
// picture within MaxBitmapSize as its rows arrive, but Qt's readers build it at full size first, so
// pictures up to twice the largest bitmap's pixels are accepted (a 134-megapixel
// panorama); anything claiming more is refused before a pixel is allocated. JPEG is held to its
// coefficient memory instead, since libjpeg scales it down while decoding.
inline constexpr std::int64_t MaxDecodePixels = 2LL * 8192 * 8192;
// Room for a 16-bit-per-channel intermediate of the largest accepted picture.
inline constexpr std::int64_t MaxDecodeBytes = MaxDecodePixels * 8;
// A picture file larger than this is not read at all: no accepted picture needs more.
inline constexpr std::int64_t MaxPictureFileBytes = MaxDecodeBytes;

// The size a picture of `size` is decoded to: its own when both sides are within MaxBitmapSize,
// otherwise scaled down, keeping the aspect ratio, to fit a MaxBitmapSize square.
QSize FittedSize(QSize size);

// Why a picture announcing `width` x `height` is not decoded at all: it has no pixels, or more
// than MaxDecodePixels. Nothing when it may be.
std::optional<TRefusal> SizeRefusal(std::int64_t width, std::int64_t height);

}  // namespace tracella
