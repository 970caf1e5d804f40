#include "Bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "Exception.h"

namespace tracella {

static_assert(std::endian::native == std::endian::little,
              "TAlphaColor values are stored as BGRA bytes only on little-endian machines");

namespace {
int CheckedSide(int side) {
  if (side > MaxBitmapSize) throw EBitmapSizeTooBig();
  return std::max(side, 0);
}
}  // namespace

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept {
  memory_ = std::move(other.memory_);
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  return *this;
}

void TBitmap::SetWidth(int width) { SetSize(width, height_); }

void TBitmap::SetHeight(int height) { SetSize(width_, height); }

void TBitmap::SetSize(int width, int height) {
  width = CheckedSide(width);
  height = CheckedSide(height);
  if (width == width_ && height == height_) return;
  const std::size_t bytes = static_cast<std::size_t>(width) * height * sizeof(TAlphaColor);
  // Uninitialised on purpose: every caller clears or writes the whole image next.
  if (bytes == 0)
    memory_.reset();
  else if (Shared() || !memory_ || memory_->Bytes() < bytes)
    memory_ = std::make_shared<PixelMemory>(bytes);
  width_ = width;
  height_ = height;
}

TAlphaColor* TBitmap::Pixels() {
  if (Shared()) {
    auto own = std::make_shared<PixelMemory>(PixelCount() * sizeof(TAlphaColor));
    std::memcpy(own->Pixels(), memory_->Pixels(), PixelCount() * sizeof(TAlphaColor));
    memory_ = std::move(own);
  }
  return memory_ ? memory_->Pixels() : nullptr;
}

TAlphaColor* TBitmap::PixelsToOverwrite() {
  if (Shared()) memory_ = std::make_shared<PixelMemory>(PixelCount() * sizeof(TAlphaColor));
  return memory_ ? memory_->Pixels() : nullptr;
}

void TBitmap::Clear(TAlphaColor color) { std::fill_n(PixelsToOverwrite(), PixelCount(), Premultiply(color)); }

void TBitmap::Assign(const TBitmap& source) {
  memory_ = source.memory_;
  width_ = source.width_;
  height_ = source.height_;
}

bool TBitmap::Map(TMapAccess access, TBitmapData& data) {
  if (IsEmpty()) return false;
  TAlphaColor* const pixels = access == TMapAccess::Read ? memory_->Pixels() : Pixels();
  data = TBitmapData{width_, height_, pixels};
  return true;
}

void TBitmap::Unmap(TBitmapData& data) { data = TBitmapData{}; }

}  // namespace tracella
