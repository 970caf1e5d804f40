#include "PictureCompleteness.h"

#include <cstdint>
#include <vector>

namespace tracella {
namespace {

// Bounds-checked little- and big-endian reads; a read past the end gives 0.
class ByteReader {
 public:
  explicit ByteReader(const QByteArray& bytes) : bytes_(bytes) {}
  std::int64_t size() const { return bytes_.size(); }
  unsigned At(std::int64_t i) const {
    return i >= 0 && i < size() ? static_cast<unsigned char>(bytes_.at(static_cast<qsizetype>(i))) : 0u;
  }
  unsigned Big16(std::int64_t i) const { return At(i) << 8 | At(i + 1); }
  unsigned Little16(std::int64_t i) const { return At(i) | At(i + 1) << 8; }
  std::uint32_t Little32(std::int64_t i) const { return Little16(i) | std::uint32_t{Little16(i + 2)} << 16; }
  // The position of the next 0xFF byte at or after `i`, or size() when there is none.
  std::int64_t NextFF(std::int64_t i) const {
    const qsizetype found = bytes_.indexOf('\xFF', static_cast<qsizetype>(i));
    return found < 0 ? size() : found;
  }

 private:
  const QByteArray& bytes_;
};

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

bool GifHoldsFirstPicture(const ByteReader& in) {
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

// Walks an RLE8 or RLE4 stream: every run must stay within its row and every jump within the
// picture, and the stream must reach its end-of-picture code or fill the last row; a stream cut
// short fails.
bool RleCoversPicture(const ByteReader& in, std::int64_t at, std::int64_t width, std::int64_t height,
                      int bitsPerPixel) {
  std::int64_t x = 0, y = 0;
  const auto bytesFor = [bitsPerPixel](std::int64_t pixels) { return bitsPerPixel == 8 ? pixels : (pixels + 1) / 2; };
  while (at + 2 <= in.size() && y < height) {
    const unsigned count = in.At(at), code = in.At(at + 1);
    at += 2;
    if (count > 0) {  // a run of `count` pixels
      x += count;
      if (x > width || y >= height) return false;
    } else if (code == 0) {  // end of row
      x = 0;
      ++y;
      if (y > height) return false;
    } else if (code == 1) {  // end of picture
      return true;
    } else if (code == 2) {  // jump right and up
      x += in.At(at);
      y += in.At(at + 1);
      at += 2;
      if (at > in.size() || x > width || y >= height) return false;
    } else {  // `code` pixels given one by one, padded to whole 16-bit words
      x += code;
      at += (bytesFor(code) + 1) / 2 * 2;
      if (at > in.size() || x > width || y >= height) return false;
    }
  }
  // Every row ended, or the stream ends without its end code just as it fills the last row.
  return y == height || (y == height - 1 && x == width);
}

bool BmpHoldsAllRows(const ByteReader& in) {
  const std::int64_t pixelsAt = in.Little32(10);
  const std::uint32_t headerSize = in.Little32(14);
  std::int64_t width, height, bitsPerPixel, compression;
  if (headerSize == 12) {  // OS/2 core header
    width = in.Little16(18);
    height = in.Little16(20);
    bitsPerPixel = in.Little16(24);
    compression = 0;
  } else {
    width = static_cast<std::int32_t>(in.Little32(18));
    height = static_cast<std::int32_t>(in.Little32(22));
    bitsPerPixel = in.Little16(28);
    compression = in.Little32(30);
  }
  if (height < 0) height = -height;
  constexpr std::int64_t rgb = 0, rle8 = 1, rle4 = 2, bitFields = 3, alphaBitFields = 6;
  if (compression == rle8 || compression == rle4)
    return RleCoversPicture(in, pixelsAt, width, height, compression == rle8 ? 8 : 4);
  if (compression != rgb && compression != bitFields && compression != alphaBitFields) return true;
  const std::int64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
  return pixelsAt + rowBytes * height <= in.size();
}

}  // namespace

bool HoldsWholePicture(const QByteArray& format, const QByteArray& bytes) {
  const ByteReader in(bytes);
  if (format == "gif") return GifHoldsFirstPicture(in);
  if (format == "bmp") return BmpHoldsAllRows(in);
  return true;
}

}  // namespace tracella
