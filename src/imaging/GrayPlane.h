#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "PixelMemory.h"

namespace tracella {

// One byte of grey per pixel, rows without padding: what the edge pass reads, a quarter of the
// 32-bit grey image's bytes. Keeps its memory when it shrinks, like TBitmap.
class TGrayPlane {
 public:
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }

  void SetSize(int width, int height);  // contents undefined after a change; negative counts as 0

  const std::uint8_t* Row(int y) const { return memory_->As<std::uint8_t>() + static_cast<std::size_t>(y) * width_; }
  std::uint8_t* Row(int y) { return memory_->As<std::uint8_t>() + static_cast<std::size_t>(y) * width_; }

 private:
  std::unique_ptr<PixelMemory> memory_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace tracella
