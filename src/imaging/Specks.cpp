#include "Specks.h"

#include <cstddef>
#include <vector>

namespace tracella {
namespace {

// Each group is followed from its first pixel in reading order; the pixels of a small one are kept
// to be repainted, a large one is only marked as seen.
template <class Pixel>
void Drop(Pixel* pixels, int width, int height, Pixel paper, int maxPixels) {
  if (maxPixels <= 0 || width <= 0 || height <= 0) return;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  std::vector<bool> seen(count);
  std::vector<std::size_t> pending, group;
  for (std::size_t start = 0; start < count; ++start) {
    if (seen[start] || pixels[start] == paper) continue;
    seen[start] = true;
    pending.assign(1, start);
    group.clear();
    std::size_t size = 0;
    while (!pending.empty()) {
      const std::size_t at = pending.back();
      pending.pop_back();
      if (++size <= static_cast<std::size_t>(maxPixels)) group.push_back(at);
      const int x = static_cast<int>(at % width);
      const int y = static_cast<int>(at / width);
      for (int ny = y - 1; ny <= y + 1; ++ny) {
        if (ny < 0 || ny >= height) continue;
        for (int nx = x - 1; nx <= x + 1; ++nx) {
          if (nx < 0 || nx >= width) continue;
          const std::size_t next = static_cast<std::size_t>(ny) * width + nx;
          if (seen[next] || pixels[next] == paper) continue;
          seen[next] = true;
          pending.push_back(next);
        }
      }
    }
    if (size <= static_cast<std::size_t>(maxPixels))
      for (const std::size_t at : group) pixels[at] = paper;
  }
}

}  // namespace

void DropSpecks(TBitmap& sketch, TAlphaColor paper, int maxPixels) {
  if (!sketch.IsEmpty()) Drop(sketch.Pixels(), sketch.Width(), sketch.Height(), paper, maxPixels);
}

void DropSpecks(TGrayPlane& tone, std::uint8_t paper, int maxPixels) {
  if (!tone.IsEmpty()) Drop(tone.Row(0), tone.Width(), tone.Height(), paper, maxPixels);
}

}  // namespace tracella
