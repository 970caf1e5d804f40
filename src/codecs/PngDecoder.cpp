#include "PngDecoder.h"

#include <png.h>

#include <QString>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "AreaReduction.h"
#include "CodecsLog.h"
#include "DecodeBudget.h"

namespace tracella {
namespace {

struct Input {
  const QByteArray& bytes;
  qsizetype at = 8;  // after the signature, which was checked
  char reason[200] = "";
};

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto* input = static_cast<Input*>(png_get_error_ptr(png));
  std::snprintf(input->reason, sizeof input->reason, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp message) { qCWarning(lcCodecs) << "libpng:" << message; }

void Read(png_structp png, png_bytep into, png_size_t count) {
  auto* input = static_cast<Input*>(png_get_io_ptr(png));
  if (count > static_cast<png_size_t>(input->bytes.size() - input->at))
    png_error(png, "the file ends inside the picture");
  std::memcpy(into, input->bytes.constData() + input->at, count);
  input->at += static_cast<qsizetype>(count);
}

void PremultiplyRow(TAlphaColor* row, int width) {
  for (int x = 0; x < width; ++x)
    if (AlphaOf(row[x]) != 0xFF) row[x] = Premultiply(row[x]);
}

// libpng's decoder over the bytes. Each phase that calls into libpng sets the point its errors jump
// back to and holds nothing with a destructor, so a jump skips none.
class PngDecompression {
 public:
  explicit PngDecompression(const QByteArray& bytes) : input_{bytes} {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input_, OnError, OnWarning);
    if (png_ != nullptr) info_ = png_create_info_struct(png_);
  }
  PngDecompression(const PngDecompression&) = delete;
  PngDecompression& operator=(const PngDecompression&) = delete;
  ~PngDecompression() { png_destroy_read_struct(&png_, &info_, nullptr); }

  const char* Reason() const { return input_.reason; }
  int Width() const { return int(png_get_image_width(png_, info_)); }
  int Height() const { return int(png_get_image_height(png_, info_)); }
  int Passes() const { return passes_; }

  // Reads the chunks up to the picture's data and asks for 8-bit BGRA rows, whatever is stored.
  bool ReadHeader() {
    if (png_ == nullptr || info_ == nullptr) return false;
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    png_set_read_fn(png_, &input_, Read);
    png_set_sig_bytes(png_, 8);
    png_read_info(png_, info_);
    png_set_expand(png_);
    png_set_scale_16(png_);
    png_set_gray_to_rgb(png_);
    png_set_bgr(png_);
    png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);
    passes_ = png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
    if (png_get_rowbytes(png_, info_) != std::size_t(Width()) * 4) {
      std::snprintf(input_.reason, sizeof input_.reason, "rows not in 8-bit BGRA after conversion");
      return false;
    }
    return true;
  }

  // Decodes `count` rows of the current pass into the rows given (interlaced passes fill in the
  // rows the earlier ones left).
  bool ReadRows(png_bytepp rows, png_uint_32 count) {
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    png_read_rows(png_, rows, nullptr, count);
    return true;
  }

 private:
  Input input_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  int passes_ = 1;
};

std::optional<TBitmap> Refused(const QString& reason) {
  LogRefusal(QStringLiteral("PNG: ") + reason);
  return std::nullopt;
}

}  // namespace

bool IsPng(const QByteArray& bytes) { return bytes.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)); }

std::optional<TBitmap> DecodePng(const QByteArray& bytes) {
  PngDecompression png(bytes);
  if (!png.ReadHeader()) return Refused(png.Reason());
  const int width = png.Width(), height = png.Height();
  if (std::int64_t{width} * height > MaxDecodePixels)
    return Refused(QStringLiteral("%1 x %2 is beyond the decoding budget").arg(width).arg(height));
  const QSize fitted = FittedSize(QSize(width, height));
  TBitmap bitmap(fitted.width(), fitted.height());
  const bool reduce = fitted != QSize(width, height);

  // Every pass of an interlaced picture touches every row, so its rows are all kept: in the bitmap
  // itself, or at full size when the picture is to be reduced.
  if (png.Passes() > 1) {
    std::vector<TAlphaColor> full(reduce ? std::size_t(width) * std::size_t(height) : 0);
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
      rows[y] = reinterpret_cast<png_bytep>(reduce ? &full[std::size_t(y) * std::size_t(width)] : bitmap.ScanLine(y));
    for (int pass = 0; pass < png.Passes(); ++pass)
      if (!png.ReadRows(rows.data(), png_uint_32(height))) return Refused(png.Reason());
    std::optional<TAreaReduction> reduction;
    if (reduce) reduction.emplace(width, height, bitmap);
    for (int y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<TAlphaColor*>(rows[y]);
      PremultiplyRow(row, width);
      if (reduce) reduction->AddRow(row);
    }
    return bitmap;
  }

  std::vector<TAlphaColor> row(reduce ? static_cast<std::size_t>(width) : 0);
  std::optional<TAreaReduction> reduction;
  if (reduce) reduction.emplace(width, height, bitmap);
  for (int y = 0; y < height; ++y) {
    TAlphaColor* pixels = reduce ? row.data() : bitmap.ScanLine(y);
    png_bytep into = reinterpret_cast<png_bytep>(pixels);
    if (!png.ReadRows(&into, 1)) return Refused(png.Reason());
    PremultiplyRow(pixels, width);
    if (reduce) reduction->AddRow(pixels);
  }
  return bitmap;
}

}  // namespace tracella
