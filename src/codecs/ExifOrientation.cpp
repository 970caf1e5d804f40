#include "ExifOrientation.h"

#include <cstdint>
#include <cstring>

namespace tracella {

int ExifOrientationOf(const unsigned char* segment, std::size_t size) {
  constexpr std::size_t tiffAt = 6;  // after "Exif\0\0"
  if (size < tiffAt + 8 || std::memcmp(segment, "Exif\0\0", 6) != 0) return 1;
  const unsigned char* tiff = segment + tiffAt;
  const std::size_t length = size - tiffAt;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
  const auto read16 = [&](std::size_t at) -> unsigned {
    return little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
  };
  const auto read32 = [&](std::size_t at) -> std::uint32_t {
    return little ? read16(at) | std::uint32_t{read16(at + 2)} << 16 : std::uint32_t{read16(at)} << 16 | read16(at + 2);
  };
  const std::uint32_t directory = read32(4);
  if (directory > length - 2) return 1;
  const unsigned entries = read16(directory);
  for (unsigned i = 0; i < entries; ++i) {
    const std::size_t entry = directory + 2 + std::size_t{i} * 12;
    if (entry + 12 > length) return 1;
    constexpr unsigned orientationTag = 0x0112, shortType = 3;
    if (read16(entry) == orientationTag && read16(entry + 2) == shortType) {
      const unsigned value = read16(entry + 8);
      return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
  }
  return 1;
}

namespace {

// Pixels of a bitmap or bytes of a grey plane: rows follow one another without padding in both.
const TAlphaColor* FirstPixel(const TBitmap& image) { return image.Pixels(); }
TAlphaColor* RowOf(TBitmap& image, int y) { return image.ScanLine(y); }
const std::uint8_t* FirstPixel(const TGrayPlane& image) { return image.Row(0); }
std::uint8_t* RowOf(TGrayPlane& image, int y) { return image.Row(y); }
void Size(TBitmap& image, int width, int height) { image.SetSize(width, height); }
void Size(TGrayPlane& image, int width, int height) { image.SetSize(width, height); }

template <class Image>
Image OrientedImage(const Image& stored, int orientation) {
  const std::ptrdiff_t w = stored.Width(), h = stored.Height();
  // Where the upright picture's first pixel lies in the stored one, and how far a step to the
  // right (dx) and a step down (dy) move there.
  struct Walk {
    std::ptrdiff_t first, dx, dy;
  };
  const Walk walks[] = {
      {0, 1, w},                      // 1: as stored
      {w - 1, -1, w},                 // 2: mirrored left to right
      {(h - 1) * w + w - 1, -1, -w},  // 3: half a turn
      {(h - 1) * w, 1, -w},           // 4: mirrored top to bottom
      {0, w, 1},                      // 5: mirrored along the main diagonal
      {(h - 1) * w, -w, 1},           // 6: a quarter turn clockwise
      {(h - 1) * w + w - 1, -w, -1},  // 7: mirrored along the other diagonal
      {w - 1, w, -1},                 // 8: a quarter turn anticlockwise
  };
  const Walk walk = walks[orientation >= 1 && orientation <= 8 ? orientation - 1 : 0];
  const bool turned = orientation >= 5 && orientation <= 8;
  Image upright;
  Size(upright, turned ? stored.Height() : stored.Width(), turned ? stored.Width() : stored.Height());
  if (upright.IsEmpty()) return upright;
  const auto* pixels = FirstPixel(stored);
  for (int y = 0; y < upright.Height(); ++y) {
    const auto* from = pixels + walk.first + y * walk.dy;
    auto* to = RowOf(upright, y);
    for (int x = 0; x < upright.Width(); ++x, from += walk.dx) to[x] = *from;
  }
  return upright;
}

}  // namespace

TBitmap Oriented(const TBitmap& stored, int orientation) { return OrientedImage(stored, orientation); }

TGrayPlane Oriented(const TGrayPlane& stored, int orientation) { return OrientedImage(stored, orientation); }

}  // namespace tracella
