#include "BmpCompleteness.h"

#include <cstdint>

#include "ByteReader.h"

namespace tracella {
namespace {

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

}  // namespace

bool BmpHoldsAllRows(const QByteArray& bytes) {
  const ByteReader in(bytes);
  const std::int64_t pixelsAt = in.Little32(10);
  const std::uint32_t headerSize = in.Little32(14);
  // Qt's reader takes a header of any claimed size and reads the picture's size from it anyway.
  if (headerSize < 12 || 14 + std::int64_t{headerSize} > in.size()) return false;
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
  if (compression == rle8 || compression == rle4) {
    // Any other depth goes to Qt's reader, which draws something from it at full size.
    const int depth = compression == rle8 ? 8 : 4;
    return bitsPerPixel == depth && width > 0 && RleCoversPicture(in, pixelsAt, width, height, depth);
  }
  // Qt's reader draws something from any other compression, width or depth, however absurd.
  if (compression != rgb && compression != bitFields && compression != alphaBitFields) return false;
  const bool knownDepth = bitsPerPixel == 1 || bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8 ||
                          bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
  if (width <= 0 || !knownDepth) return false;
  const std::int64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
  // Divided, not multiplied: rows claimed by the billion overflow the product.
  return pixelsAt <= in.size() && height <= (in.size() - pixelsAt) / rowBytes;
}

}  // namespace tracella
