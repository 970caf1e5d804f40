#include "GifCompleteness.h"

#include <cstdint>
#include <vector>

#include "ByteReader.h"

namespace tracella {
namespace {

// Skips a chain of data sub-blocks; -1 when the chain is cut off.
std::int64_t SkipGifBlocks(const ByteReader& in, std::int64_t at) {
  while (at < in.size()) {
    const unsigned length = in.At(at);
    at += 1 + length;
    if (length == 0) return at;
  }
  return -1;
}

std::int64_t GifColorTableSize(unsigned flags) { return flags & 0x80 ? 3 * (2 << (flags & 7)) : 0; }

// The bits of a chain of GIF data sub-blocks, least significant first.
class GifDataBits {
 public:
  GifDataBits(const ByteReader& in, std::int64_t at) : in_(in), at_(at) {}

  // The next `count` bits; false at the end of the chain or of the file.
  bool Read(int count, unsigned& value) {
    while (held_ < count) {
      if (leftInBlock_ == 0) {
        if (at_ >= in_.size() || in_.At(at_) == 0) return false;
        leftInBlock_ = in_.At(at_++);
      }
      if (at_ >= in_.size()) return false;
      bits_ |= std::uint32_t{in_.At(at_++)} << held_;
      held_ += 8;
      --leftInBlock_;
    }
    value = bits_ & ((1u << count) - 1);
    bits_ >>= count;
    held_ -= count;
    return true;
  }

 private:
  const ByteReader& in_;
  std::int64_t at_;
  unsigned leftInBlock_ = 0;
  std::uint32_t bits_ = 0;
  int held_ = 0;
};

// How many pixels the LZW codes decode to, up to the end code, a code that cannot be decoded or
// the end of the data. Only the lengths of the table's strings are kept: the count needs no more.
std::int64_t GifLzwPixels(GifDataBits bits, unsigned minimumCodeSize) {
  constexpr unsigned tableSize = 4096;
  const unsigned clear = 1u << minimumCodeSize, end = clear + 1;
  std::vector<std::int64_t> lengths(tableSize, 1);
  unsigned next = clear + 2;
  int codeSize = int(minimumCodeSize) + 1;
  std::int64_t previous = 0, pixels = 0;  // previous: the last string's length, 0 right after a clear
  unsigned code = 0;
  while (bits.Read(codeSize, code) && code != end) {
    if (code == clear) {
      next = clear + 2;
      codeSize = int(minimumCodeSize) + 1;
      previous = 0;
      continue;
    }
    std::int64_t length = 0;
    if (code < clear || (previous > 0 && code < next))
      length = lengths[code];
    else if (previous > 0 && code == next)
      length = previous + 1;
    else
      break;
    if (previous > 0 && next < tableSize) {
      lengths[next++] = previous + 1;
      if (next == 1u << codeSize && codeSize < 12) ++codeSize;
    }
    pixels += length;
    previous = length;
  }
  return pixels;
}

}  // namespace

bool GifHoldsFirstPicture(const QByteArray& bytes) {
  const ByteReader in(bytes);
  std::int64_t at = 13 + GifColorTableSize(in.At(10));
  while (at >= 0 && at < in.size()) {
    switch (in.At(at)) {
      case 0x21:  // extension: label, then sub-blocks
        at = SkipGifBlocks(in, at + 2);
        break;
      case 0x2C: {  // image descriptor, local colour table, LZW code size, then the data
        const std::int64_t framePixels = std::int64_t{in.Little16(at + 5)} * in.Little16(at + 7);
        at += 10 + GifColorTableSize(in.At(at + 9));
        const unsigned minimumCodeSize = in.At(at++);
        // Qt fills what the codes leave out with the background and calls it a picture.
        return minimumCodeSize >= 2 && minimumCodeSize <= 8 && SkipGifBlocks(in, at) >= 0 &&
               GifLzwPixels(GifDataBits(in, at), minimumCodeSize) >= framePixels;
      }
      default:  // the trailer, or garbage, before any picture
        return false;
    }
  }
  return false;
}

}  // namespace tracella
