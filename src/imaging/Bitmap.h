#pragma once

#include <cstddef>
#include <memory>

#include "AlphaColor.h"

namespace tracella {

// Largest width or height of a bitmap. 8192 keeps one working image within 256 MiB, so the
// four full-size copies the program holds (source, grey, sketch, on screen) stay near 1 GiB,
// while every common camera up to 67 megapixels still decodes at its own size.
inline constexpr int MaxBitmapSize = 8192;

enum class TMapAccess { Read, Write, ReadWrite };

// Pixel access record filled by TBitmap::Map; rows follow one another without padding.
struct TBitmapData {
  int Width = 0;
  int Height = 0;
  TAlphaColor* Data = nullptr;

  TAlphaColor* GetScanline(int y) const { return Data + static_cast<std::size_t>(y) * Width; }
  TAlphaColor GetPixel(int x, int y) const { return GetScanline(y)[x]; }
  void SetPixel(int x, int y, TAlphaColor color) const { GetScanline(y)[x] = color; }
};

// 32-bit BGRA image. Pixels are undefined after a size change until written.
class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height);
  TBitmap(TBitmap&&) noexcept = default;
  TBitmap& operator=(TBitmap&&) noexcept = default;
  TBitmap(const TBitmap&) = delete;             // copies are explicit: Assign
  TBitmap& operator=(const TBitmap&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  std::size_t PixelCount() const { return static_cast<std::size_t>(width_) * height_; }

  // Throw EBitmapSizeTooBig beyond MaxBitmapSize; a negative value counts as 0.
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);

  void Clear(TAlphaColor color);          // stores the colour premultiplied
  void Assign(const TBitmap& source);     // size and a byte-for-byte copy

  bool Map(TMapAccess access, TBitmapData& data);  // false for an empty bitmap
  void Unmap(TBitmapData& data);

  const TAlphaColor* ScanLine(int y) const { return pixels_.get() + static_cast<std::size_t>(y) * width_; }
  TAlphaColor* ScanLine(int y) { return pixels_.get() + static_cast<std::size_t>(y) * width_; }
  const TAlphaColor* Pixels() const { return pixels_.get(); }
  TAlphaColor* Pixels() { return pixels_.get(); }

 private:
  std::unique_ptr<TAlphaColor[]> pixels_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace tracella
