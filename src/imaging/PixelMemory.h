#pragma once

#include <cstddef>

#include "AlphaColor.h"

namespace tracella {

// A block of pixel memory. Blocks of picture size are mapped on whole huge-page boundaries and
// offered to the kernel for transparent huge pages: a 24 MP picture then takes 48 page faults
// instead of 24,000, and misses the TLB far less.
class PixelMemory {
 public:
  explicit PixelMemory(std::size_t bytes);  // throws std::bad_alloc
  ~PixelMemory();
  PixelMemory(const PixelMemory&) = delete;
  PixelMemory& operator=(const PixelMemory&) = delete;

  std::size_t Bytes() const { return bytes_; }
  TAlphaColor* Pixels() const { return static_cast<TAlphaColor*>(data_); }
  template <class T>
  T* As() const {
    return static_cast<T*>(data_);
  }

 private:
  void* data_;
  std::size_t bytes_;
  bool mapped_;
};

}  // namespace tracella
