#include "PngDecoder.h"

#include <png.h>

#include <QString>
#include <csetjmp>
#include <cstring>
#include <type_traits>
#include <vector>

#include "AreaReduction.h"
#include "CodecsLog.h"
#include "DecodeBudget.h"
#include "RowSink.h"

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

// Where one Adam7 pass's pixels lie; a picture stored plainly is one pass over every pixel.
struct Pass {
  int firstColumn, columnStep, columns;
  int firstRow, rowStep, rows;
};

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
  TPixelChannels Channels() const { return channels_; }
  std::size_t RowBytes() const { return png_get_rowbytes(png_, info_); }

  // The passes libpng delivers rows in, the empty ones skipped as libpng skips them. Interlaced
  // pictures come pass by pass, each pass's rows holding only its own pixels.
  std::vector<Pass> Passes() const {
    if (png_get_interlace_type(png_, info_) != PNG_INTERLACE_ADAM7) return {{0, 1, Width(), 0, 1, Height()}};
    std::vector<Pass> passes;
    for (int pass = 0; pass < PNG_INTERLACE_ADAM7_PASSES; ++pass) {
      const Pass p{
          PNG_PASS_START_COL(pass), PNG_PASS_COL_OFFSET(pass), int(PNG_PASS_COLS(png_uint_32(Width()), pass)),
          PNG_PASS_START_ROW(pass), PNG_PASS_ROW_OFFSET(pass), int(PNG_PASS_ROWS(png_uint_32(Height()), pass))};
      if (p.columns > 0 && p.rows > 0) passes.push_back(p);
    }
    return passes;
  }

  // Reads the chunks up to the picture's data and, when `toBgra`, asks for 8-bit BGRA rows,
  // whatever is stored; else rows come as stored.
  bool ReadHeader(bool toBgra) {
    if (png_ == nullptr || info_ == nullptr) return false;
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    png_set_read_fn(png_, &input_, Read);
    png_set_sig_bytes(png_, 8);
    png_read_info(png_, info_);
    const int type = png_get_color_type(png_, info_);
    if ((type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png_, info_, PNG_INFO_tRNS) != 0)
      channels_ = TPixelChannels::ColourAndAlpha;
    else
      channels_ = type == PNG_COLOR_TYPE_GRAY ? TPixelChannels::Grey : TPixelChannels::Colour;
    if (toBgra) {
      png_set_expand(png_);
      png_set_scale_16(png_);
      png_set_gray_to_rgb(png_);
      png_set_bgr(png_);
      png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);
    }
    png_read_update_info(png_, info_);
    if (toBgra && RowBytes() != std::size_t(Width()) * 4) {
      std::snprintf(input_.reason, sizeof input_.reason, "rows not in 8-bit BGRA after conversion");
      return false;
    }
    return true;
  }

  // Decodes the next row of the current pass into `row`.
  bool ReadRow(png_bytep row) {
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    png_read_row(png_, row, nullptr);
    return true;
  }

 private:
  Input input_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  TPixelChannels channels_ = TPixelChannels::ColourAndAlpha;
};

// Decodes every row of an interlaced picture into one row's space and drops it: a file cut or
// damaged inside its data is refused before the memory its passes need is spent on it.
bool DecodesWhole(PngDecompression& png) {
  if (!png.ReadHeader(false)) return false;
  std::vector<png_byte> row(png.RowBytes());
  for (const Pass& pass : png.Passes())
    for (int y = 0; y < pass.rows; ++y)
      if (!png.ReadRow(row.data())) return false;
  return true;
}

// libpng's complaints are all about the file's bytes.
TRefusal Damaged(const char* reason) { return {TRefusalKind::Damaged, QString::fromLatin1(reason)}; }

// Decodes an interlaced picture pass by pass into a bitmap of the fitted size: a row is whole only
// after the last pass.
TDecoded<TBitmap> DecodeInterlaced(const QByteArray& bytes, PngDecompression& png, QSize fitted) {
  if (PngDecompression check(bytes); !DecodesWhole(check)) return Damaged(check.Reason());
  const int width = png.Width(), height = png.Height();
  const bool reduce = fitted != QSize(width, height);
  TBitmap bitmap(fitted.width(), fitted.height());
  std::optional<TPassAreaReduction> reduction;
  if (reduce) reduction.emplace(width, height, bitmap, png.Channels());
  std::vector<TAlphaColor> row(static_cast<std::size_t>(width));
  for (const Pass& pass : png.Passes())
    for (int i = 0, y = pass.firstRow; i < pass.rows; ++i, y += pass.rowStep) {
      if (!png.ReadRow(reinterpret_cast<png_bytep>(row.data()))) return Damaged(png.Reason());
      PremultiplyRow(row.data(), pass.columns);
      if (reduce) {
        reduction->AddPixels(y, pass.firstColumn, pass.columnStep, row.data(), pass.columns);
        continue;
      }
      TAlphaColor* line = bitmap.ScanLine(y);
      for (int j = 0, x = pass.firstColumn; j < pass.columns; ++j, x += pass.columnStep) line[x] = row[j];
    }
  if (reduce) reduction->Finish();
  return bitmap;
}

// The picture, or its grey, at the fitted size. A plain picture's rows go straight into `into`'s
// sink as they arrive; an interlaced one is gathered whole first.
template <class Picture>
TDecoded<Picture> Decoded(const QByteArray& bytes, RowSink (*into)(Picture&, QSize)) {
  PngDecompression png(bytes);
  if (!png.ReadHeader(true)) return Damaged(png.Reason());
  const int width = png.Width(), height = png.Height();
  if (const std::optional<TRefusal> refusal = SizeRefusal(width, height)) return *refusal;
  const QSize fitted = FittedSize(QSize(width, height));
  Picture picture;
  if (png.Passes().size() > 1) {
    TDecoded<TBitmap> whole = DecodeInterlaced(bytes, png, fitted);
    if (!whole) return whole.Refusal();
    if constexpr (std::is_same_v<Picture, TBitmap>) {
      return whole;
    } else {
      MakeGray(*whole, picture);
      return picture;
    }
  }
  TFittedRows rows(QSize(width, height), fitted, into(picture, fitted));
  for (int y = 0; y < height; ++y) {
    TAlphaColor* pixels = rows.Row(y);
    if (!png.ReadRow(reinterpret_cast<png_bytep>(pixels))) return Damaged(png.Reason());
    PremultiplyRow(pixels, width);
    rows.Done(y);
  }
  return picture;
}

}  // namespace

bool IsPng(const QByteArray& bytes) { return bytes.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)); }

TDecoded<TBitmap> DecodePng(const QByteArray& bytes) { return Decoded<TBitmap>(bytes, IntoBitmap); }

TDecoded<TGrayPlane> DecodePngGray(const QByteArray& bytes) { return Decoded<TGrayPlane>(bytes, IntoGray); }

}  // namespace tracella
