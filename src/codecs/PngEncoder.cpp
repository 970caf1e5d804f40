#include "PngEncoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <vector>

namespace tracella {
namespace {

void Hand(png_structp png, png_bytep data, png_size_t length) {
  if (!(*static_cast<const ByteSink*>(png_get_io_ptr(png)))(reinterpret_cast<const char*>(data), length))
    png_error(png, "the file could not be written");
}

void Flush(png_structp) {}

// Failures are the caller's to report; libpng's own handler would print them too.
[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

png_color RgbOf(TAlphaColor color) { return {RedOf(color), GreenOf(color), BlueOf(color)}; }

// Every libpng call lies in here, with nothing that has a destructor: libpng's errors jump back
// to the setjmp.
bool Encode(png_structp png, png_infop info, const TPictureRows& picture, TAlphaColor painted, TAlphaColor paper,
            TAlphaColor line, std::vector<png_byte>& packed) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.Width), static_cast<png_uint_32>(picture.Height), 1,
               PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const png_color palette[] = {RgbOf(paper), RgbOf(line)};
  png_set_PLTE(png, info, palette, 2);
  const png_byte alpha[] = {AlphaOf(paper), AlphaOf(line)};
  if (alpha[0] != 0xFF || alpha[1] != 0xFF) png_set_tRNS(png, info, alpha, 2, nullptr);
  png_write_info(png, info);
  for (int y = 0; y < picture.Height; ++y) {
    const TAlphaColor* row = picture.Row(y);
    std::fill(packed.begin(), packed.end(), png_byte{0});
    for (int x = 0; x < picture.Width; ++x)
      if (row[x] == painted) packed[static_cast<std::size_t>(x) / 8] |= static_cast<png_byte>(0x80u >> (x % 8));
    png_write_row(png, packed.data());
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool EncodeTwoColorPng(const TPictureRows& picture, TAlphaColor painted, TAlphaColor paper, TAlphaColor line,
                       const ByteSink& sink) {
  if (picture.Width <= 0 || picture.Height <= 0) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> packed((static_cast<std::size_t>(picture.Width) + 7) / 8);
  bool written = false;
  if (info != nullptr) {
    png_set_write_fn(png, const_cast<ByteSink*>(&sink), Hand, Flush);
    written = Encode(png, info, picture, painted, paper, line, packed);
  }
  png_destroy_write_struct(&png, &info);
  return written;
}

}  // namespace tracella
