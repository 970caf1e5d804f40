#pragma once

#include <QByteArray>
#include <cstdint>

namespace tracella {

// Bounds-checked little-endian reads over a file's bytes; a read past the end gives 0.
class ByteReader {
 public:
  explicit ByteReader(const QByteArray& bytes) : bytes_(bytes) {}
  std::int64_t size() const { return bytes_.size(); }
  unsigned At(std::int64_t i) const {
    return i >= 0 && i < size() ? static_cast<unsigned char>(bytes_.at(static_cast<qsizetype>(i))) : 0u;
  }
  unsigned Little16(std::int64_t i) const { return At(i) | At(i + 1) << 8; }
  std::uint32_t Little32(std::int64_t i) const { return Little16(i) | std::uint32_t{Little16(i + 2)} << 16; }

 private:
  const QByteArray& bytes_;
};

}  // namespace tracella
