#pragma once

#include <cstddef>
#include <memory>

#include "AlphaColor.h"
#include "PixelMemory.h"

namespace tracella {

// Largest width or height of a bitmap. 8192 keeps one working image within 256 MiB, so the
// full-size images the program holds (source, grey, sketch) stay well under 1 GiB, while every
// common camera up to 67 megapixels still decodes at its own size.
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
//
// Assign shares the source's pixels instead of copying them; whichever bitmap is written next gets
// memory of its own first (copy on write), so a change to one never shows in the other. A bitmap
// keeps its memory when it shrinks, so changing between picture sizes costs no fresh pages.
// Pointers from the writing accessors stay valid until the next Assign, size change or Clear.
class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height);
  TBitmap(TBitmap&& other) noexcept { *this = std::move(other); }
  TBitmap& operator=(TBitmap&& other) noexcept;
  TBitmap(const TBitmap&) = delete;  // copies are explicit: Assign
  TBitmap& operator=(const TBitmap&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  std::size_t PixelCount() const { return static_cast<std::size_t>(width_) * height_; }

  // Throw EBitmapSizeTooBig beyond MaxBitmapSize; a negative value counts as 0. SetSize changes
  // nothing when it throws (also when memory runs out).
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);

  void Clear(TAlphaColor color);       // stores the colour premultiplied
  void Assign(const TBitmap& source);  // size and the same pixels, byte for byte

  bool Map(TMapAccess access, TBitmapData& data);  // false for an empty bitmap
  void Unmap(TBitmapData& data);

  const TAlphaColor* ScanLine(int y) const { return Pixels() + static_cast<std::size_t>(y) * width_; }
  TAlphaColor* ScanLine(int y) { return Pixels() + static_cast<std::size_t>(y) * width_; }
  const TAlphaColor* Pixels() const { return memory_ ? memory_->Pixels() : nullptr; }
  TAlphaColor* Pixels();  // keeps the pixels
  // For writing every pixel: a bitmap sharing its pixels takes memory of its own without copying them.
  TAlphaColor* PixelsToOverwrite();

  bool SharesPixelsWith(const TBitmap& other) const { return memory_ && memory_ == other.memory_; }

 private:
  bool Shared() const { return memory_ && memory_.use_count() > 1; }
  std::shared_ptr<PixelMemory> memory_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace tracella
