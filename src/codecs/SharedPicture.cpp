#include "SharedPicture.h"

#include <sys/mman.h>

#include <new>

#include "DecodeBudget.h"

namespace tracella {
namespace {

// The header is padded to 16 bytes so that the pixels stay aligned.
constexpr std::size_t PixelsOffset = 16;
constexpr std::size_t MappedBytes = PixelsOffset + static_cast<std::size_t>(MaxDecodePixels) * sizeof(TAlphaColor);

void Unmap(void* header) { ::munmap(header, MappedBytes); }

}  // namespace

SharedPicture::SharedPicture() {
  void* memory =
      ::mmap(nullptr, MappedBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  header_ = static_cast<Header*>(memory);
  *header_ = {0, 0};
}

SharedPicture::~SharedPicture() {
  if (header_ != nullptr) Unmap(header_);
}

TAlphaColor* SharedPicture::StartWriting(int width, int height) {
  if (width <= 0 || height <= 0 || std::int64_t{width} * height > MaxDecodePixels) return nullptr;
  *header_ = {width, height};
  return reinterpret_cast<TAlphaColor*>(reinterpret_cast<unsigned char*>(header_) + PixelsOffset);
}

QImage SharedPicture::TakeImage() {
  const Header size = *header_;
  if (size.width <= 0 || size.height <= 0 || std::int64_t{size.width} * size.height > MaxDecodePixels) return {};
  uchar* pixels = reinterpret_cast<uchar*>(header_) + PixelsOffset;
  QImage image(pixels, size.width, size.height, qsizetype{size.width} * 4, QImage::Format_ARGB32_Premultiplied, Unmap,
               header_);
  header_ = nullptr;
  return image;
}

}  // namespace tracella
