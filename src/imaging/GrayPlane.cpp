#include "GrayPlane.h"

#include <algorithm>

namespace tracella {

void TGrayPlane::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const std::size_t bytes = static_cast<std::size_t>(width) * height;
  if (bytes == 0)
    memory_.reset();
  else if (!memory_ || memory_->Bytes() < bytes)
    memory_ = std::make_unique<PixelMemory>(bytes);
  width_ = width;
  height_ = height;
}

}  // namespace tracella
