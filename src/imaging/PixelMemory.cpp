#include "PixelMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace tracella {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::align_val_t kCacheLine{64};

std::size_t RoundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

// Maps `bytes` (a multiple of kHugePage) at a huge-page boundary: a larger mapping, trimmed.
void* MapHugePages(std::size_t bytes) {
  void* const mapping = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) throw std::bad_alloc();
  // Offsets from the mapping rather than addresses made from integers, so the optimiser keeps
  // track of where the pointers point.
  const auto address = reinterpret_cast<std::uintptr_t>(mapping);
  const std::size_t head = RoundUp(address, kHugePage) - address;
  char* const data = static_cast<char*>(mapping) + head;
  if (head > 0) munmap(mapping, head);
  if (const std::size_t tail = kHugePage - head) munmap(data + bytes, tail);
  madvise(data, bytes, MADV_HUGEPAGE);  // only a hint: without huge pages it is simply refused
  return data;
}

}  // namespace

PixelMemory::PixelMemory(std::size_t bytes) : mapped_(bytes >= kHugePage) {
  if (mapped_) {
    bytes_ = RoundUp(bytes, kHugePage);
    data_ = MapHugePages(bytes_);
  } else {
    bytes_ = RoundUp(bytes, 64);
    data_ = ::operator new(bytes_, kCacheLine);
  }
}

PixelMemory::~PixelMemory() {
  if (mapped_)
    munmap(data_, bytes_);
  else
    ::operator delete(data_, kCacheLine);
}

}  // namespace tracella
