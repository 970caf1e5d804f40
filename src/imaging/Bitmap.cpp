#include "Bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>

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

void TBitmap::SetWidth(int width) { SetSize(width, height_); }

void TBitmap::SetHeight(int height) { SetSize(width_, height); }

void TBitmap::SetSize(int width, int height) {
  width = CheckedSide(width);
  height = CheckedSide(height);
  if (width == width_ && height == height_) return;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  // Uninitialised on purpose: every caller clears or writes the whole image next.
  pixels_.reset(count ? new TAlphaColor[count] : nullptr);
  width_ = width;
  height_ = height;
}

void TBitmap::Clear(TAlphaColor color) { std::fill_n(pixels_.get(), PixelCount(), Premultiply(color)); }

void TBitmap::Assign(const TBitmap& source) {
  if (&source == this) return;
  SetSize(source.width_, source.height_);
  if (!IsEmpty()) std::memcpy(pixels_.get(), source.pixels_.get(), PixelCount() * sizeof(TAlphaColor));
}

bool TBitmap::Map(TMapAccess, TBitmapData& data) {
  if (IsEmpty()) return false;
  data = TBitmapData{width_, height_, pixels_.get()};
  return true;
}

void TBitmap::Unmap(TBitmapData& data) { data = TBitmapData{}; }

}  // namespace tracella
