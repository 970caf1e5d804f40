#include "BmpDecoder.h"

#include <QSize>
#include <QString>
#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

#include "AlphaColor.h"
#include "BmpCompleteness.h"
#include "ByteReader.h"
#include "DecodeBudget.h"
#include "RowSink.h"

namespace tracella {
namespace {

constexpr std::uint32_t FileHeaderSize = 14, InfoHeaderSize = 40;
constexpr std::uint32_t Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6;

struct Header {
  std::uint32_t size, compression, bitsPerPixel;
  std::int64_t width, height;
};

Header HeaderOf(const ByteReader& in) {
  return {in.Little32(14), in.Little32(30), in.Little16(28), static_cast<std::int32_t>(in.Little32(18)),
          static_cast<std::int32_t>(in.Little32(22))};
}

// One channel's mask: where its bits are and how to bring them to 0..255.
class Channel {
 public:
  explicit Channel(std::uint32_t mask)
      : mask_(mask), shift_(mask == 0 ? 0 : std::countr_zero(mask)), top_(mask >> shift_) {}
  bool Contiguous() const { return (top_ & (top_ + 1)) == 0; }
  std::uint32_t Mask() const { return mask_; }
  std::uint8_t Of(std::uint32_t pixel, std::uint8_t absent) const {
    if (mask_ == 0) return absent;
    const std::uint64_t value = (pixel & mask_) >> shift_;
    return static_cast<std::uint8_t>((value * 255 + top_ / 2) / top_);
  }

 private:
  std::uint32_t mask_;
  int shift_;
  std::uint32_t top_;
};

TRefusal Damaged(const QString& reason) { return {TRefusalKind::Damaged, reason}; }

// An RLE stream's colour indices a row at a time, from the bottom row up as it stores them.
// Pixels that an end of row or a jump passes over keep index 0.
class RleRows {
 public:
  RleRows(const ByteReader& in, std::int64_t at, int width, int bitsPerPixel)
      : in_(in), at_(at), width_(width), bitsPerPixel_(bitsPerPixel) {}

  // Fills `row` with the next row's indices; false when a run or jump leaves the row.
  bool Next(std::uint8_t* row) {
    std::fill_n(row, width_, std::uint8_t{0});
    if (skippedRows_ > 0) {
      --skippedRows_;
      return true;
    }
    int x = std::exchange(nextX_, 0);
    while (!ended_ && at_ + 2 <= in_.size()) {
      const unsigned count = in_.At(at_), code = in_.At(at_ + 1);
      at_ += 2;
      if (count > 0) {  // a run of `count` pixels
        if (x + int(count) > width_) return false;
        for (unsigned i = 0; i < count; ++i) row[x++] = Sample(code, i);
      } else if (code == 0) {  // end of row
        return true;
      } else if (code == 1) {  // end of picture
        ended_ = true;
      } else if (code == 2) {  // jump right and up
        x += int(in_.At(at_));
        const unsigned up = in_.At(at_ + 1);
        at_ += 2;
        if (x > width_) return false;
        if (up > 0) {
          skippedRows_ = int(up) - 1;
          nextX_ = x;
          return true;
        }
      } else {  // `code` pixels given one by one, padded to whole 16-bit words
        if (x + int(code) > width_) return false;
        for (unsigned i = 0; i < code; ++i)
          row[x++] = bitsPerPixel_ == 8 ? std::uint8_t(in_.At(at_ + i)) : Sample(in_.At(at_ + i / 2), i);
        const std::int64_t bytes = bitsPerPixel_ == 8 ? code : (code + 1) / 2;
        at_ += (bytes + 1) / 2 * 2;
      }
    }
    return true;
  }

 private:
  // The i-th pixel of a run: the byte itself, or its two 4-bit halves in turn, high first.
  std::uint8_t Sample(unsigned value, unsigned i) const {
    if (bitsPerPixel_ == 8) return std::uint8_t(value);
    return std::uint8_t(i % 2 == 0 ? value >> 4 : value & 0xF);
  }

  const ByteReader& in_;
  std::int64_t at_;
  int width_, bitsPerPixel_;
  int skippedRows_ = 0, nextX_ = 0;
  bool ended_ = false;
};

template <class Picture>
TDecoded<Picture> DecodedBitFields(const QByteArray& bytes, RowSink (*into)(Picture&, QSize)) {
  const ByteReader in(bytes);
  const Header header = HeaderOf(in);
  const std::int64_t width = header.width, height = std::abs(header.height);
  if (const std::optional<TRefusal> refusal = SizeRefusal(width, height)) return *refusal;
  // Masks follow a 40-byte header, or are its extension's first fields; plain RGB has fixed ones.
  const std::int64_t masksAt = FileHeaderSize + InfoHeaderSize;
  const bool alphaMask = header.compression == AlphaBitFields || header.size >= 56;
  std::uint32_t masks[4] = {};
  if (header.compression == Rgb) {
    const bool five = header.bitsPerPixel == 16;
    masks[0] = five ? 0x7C00u : 0xFF0000u;
    masks[1] = five ? 0x03E0u : 0x00FF00u;
    masks[2] = five ? 0x001Fu : 0x0000FFu;
  } else {
    for (int i = 0; i < (alphaMask ? 4 : 3); ++i) masks[i] = in.Little32(masksAt + std::int64_t{4} * i);
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  const std::uint32_t within = header.bitsPerPixel == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  std::uint32_t seen = 0;
  for (const Channel* channel : {&red, &green, &blue, &alpha}) {
    if (!channel->Contiguous() || (channel->Mask() & seen) != 0 || (channel->Mask() & ~within) != 0)
      return Damaged(QStringLiteral("its bit-field masks overlap or are broken"));
    seen |= channel->Mask();
  }
  if (red.Mask() == 0 || green.Mask() == 0 || blue.Mask() == 0) return Damaged(QStringLiteral("a colour has no bits"));

  const std::int64_t pixelsAt = in.Little32(10);
  const std::int64_t bytesPerPixel = header.bitsPerPixel / 8, rowBytes = (width * header.bitsPerPixel + 31) / 32 * 4;
  if (pixelsAt + rowBytes * height > in.size())
    return Damaged(QStringLiteral("the file ends or breaks off before its picture does"));

  const QSize size{int(width), int(height)}, fitted = FittedSize(size);
  Picture picture;
  TFittedRows rows(size, fitted, into(picture, fitted));
  const bool bottomUp = header.height > 0;
  for (std::int64_t y = 0; y < height; ++y) {
    const std::int64_t rowAt = pixelsAt + rowBytes * (bottomUp ? height - 1 - y : y);
    TAlphaColor* out = rows.Row(int(y));
    for (std::int64_t x = 0; x < width; ++x) {
      const std::int64_t at = rowAt + x * bytesPerPixel;
      const std::uint32_t pixel = bytesPerPixel == 2   ? in.Little16(at)
                                  : bytesPerPixel == 3 ? in.Little16(at) | std::uint32_t{in.At(at + 2)} << 16
                                                       : in.Little32(at);
      out[x] = Premultiply(MakeColor(alpha.Of(pixel, 0xFF), red.Of(pixel, 0), green.Of(pixel, 0), blue.Of(pixel, 0)));
    }
    rows.Done(int(y));
  }
  return picture;
}

// `sink` with its rows counted from the bottom of `height`.
RowSink FromTheBottom(const RowSink& sink, int height) {
  const auto turned = [height](int y) { return height - 1 - y; };
  RowSink fromTheBottom{nullptr, [sink, turned](int y, const TAlphaColor* row) { sink.put(turned(y), row); }};
  if (sink.place) fromTheBottom.place = [sink, turned](int y) { return sink.place(turned(y)); };
  return fromTheBottom;
}

template <class Picture>
TDecoded<Picture> DecodedRle(const QByteArray& bytes, RowSink (*into)(Picture&, QSize)) {
  const ByteReader in(bytes);
  const Header header = HeaderOf(in);
  const std::int64_t width = header.width, height = std::abs(header.height);
  if (const std::optional<TRefusal> refusal = SizeRefusal(width, height)) return *refusal;
  if (!BmpHoldsAllRows(bytes)) return Damaged(QStringLiteral("the file ends or breaks off before its picture does"));

  // The palette follows the header, as many entries as it says or else one per index.
  std::vector<TAlphaColor> palette(256, claBlack);
  const std::uint32_t stated = in.Little32(46), entries = std::uint32_t{1} << header.bitsPerPixel;
  const std::int64_t paletteAt = FileHeaderSize + header.size;
  for (std::uint32_t i = 0; i < (stated == 0 ? entries : std::min(stated, entries)); ++i) {
    const std::int64_t at = paletteAt + std::int64_t{4} * i;
    palette[i] = MakeColor(0xFF, std::uint8_t(in.At(at + 2)), std::uint8_t(in.At(at + 1)), std::uint8_t(in.At(at)));
  }

  const QSize size{int(width), int(height)}, fitted = FittedSize(size);
  Picture picture;
  // Rows stored from the bottom are fitted in that order, each fitted row put where it belongs:
  // the averaging is the same either way.
  RowSink sink = into(picture, fitted);
  if (header.height > 0) sink = FromTheBottom(sink, fitted.height());
  TFittedRows out(size, fitted, std::move(sink));
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(width));
  RleRows rows(in, in.Little32(10), size.width(), int(header.bitsPerPixel));
  for (int y = 0; y < size.height(); ++y) {
    if (!rows.Next(indices.data())) return Damaged(QStringLiteral("a run or jump leaves its row"));
    std::transform(indices.begin(), indices.end(), out.Row(y),
                   [&palette](std::uint8_t index) { return palette[index]; });
    out.Done(y);
  }
  return picture;
}

}  // namespace

bool IsBitFieldBmp(const QByteArray& bytes) {
  const ByteReader in(bytes);
  if (!bytes.startsWith("BM")) return false;
  const Header header = HeaderOf(in);
  if (header.size < InfoHeaderSize) return false;
  const bool oddHeader = header.size == 52 || header.size == 56;
  const bool deep = header.bitsPerPixel == 16 || header.bitsPerPixel == 32;
  if (header.compression == BitFields || header.compression == AlphaBitFields) return deep;
  return header.compression == Rgb && oddHeader && (deep || header.bitsPerPixel == 24);
}

TDecoded<TBitmap> DecodeBitFieldBmp(const QByteArray& bytes) { return DecodedBitFields<TBitmap>(bytes, IntoBitmap); }

TDecoded<TGrayPlane> DecodeBitFieldBmpGray(const QByteArray& bytes) {
  return DecodedBitFields<TGrayPlane>(bytes, IntoGray);
}

bool IsRleBmp(const QByteArray& bytes) {
  if (!bytes.startsWith("BM")) return false;
  const Header header = HeaderOf(ByteReader(bytes));
  return header.size >= InfoHeaderSize && ((header.compression == Rle8 && header.bitsPerPixel == 8) ||
                                           (header.compression == Rle4 && header.bitsPerPixel == 4));
}

TDecoded<TBitmap> DecodeRleBmp(const QByteArray& bytes) { return DecodedRle<TBitmap>(bytes, IntoBitmap); }

TDecoded<TGrayPlane> DecodeRleBmpGray(const QByteArray& bytes) { return DecodedRle<TGrayPlane>(bytes, IntoGray); }

}  // namespace tracella
