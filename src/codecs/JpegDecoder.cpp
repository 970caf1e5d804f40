#include "JpegDecoder.h"

#include <QString>
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "CodecsLog.h"
#include "DecodeBudget.h"
#include "ExifOrientation.h"
#include "JpegLib.h"
#include "JpegScanLayout.h"
#include "RowSink.h"

namespace tracella {
namespace {

// Reads from memory. Where the bytes end it supplies an end marker without the warning libjpeg's
// own memory source gives, and notes it: a file that lacks only its end marker is whole, while
// one that ends inside Huffman-coded data still makes the decoder warn that it hit a marker.
// Arithmetic-coded data gives no such warning, so those files must reach their end marker.
struct Source {
  jpeg_source_mgr manager;
  bool ranOut = false;
};

// libjpeg reports through these; an error or a refused warning jumps back to the phase of the
// decoding that called it. Nothing on the way has a destructor to run: the reason is kept as text.
struct Errors {
  jpeg_error_mgr manager;
  std::jmp_buf back;
  const JOCTET* afterRows = nullptr;  // where the bytes stood once the last row was out
  bool rowsMetMarker = false;         // reading the rows' data already took in the marker after it
  const JOCTET* fileEnd = nullptr;
  char reason[JMSG_LENGTH_MAX];
};

Errors& ErrorsOf(j_common_ptr decoder) { return *reinterpret_cast<Errors*>(decoder->err); }

[[noreturn]] void OnError(j_common_ptr decoder) {
  decoder->err->format_message(decoder, ErrorsOf(decoder).reason);
  std::longjmp(ErrorsOf(decoder).back, 1);
}

// True when a marker came between the rows' coded data and the one just read: what libjpeg
// skipped then followed a segment of its own, not the coded data. A restart marker or a stuffed
// 0xFF belongs to the coded data; 0xFF runs are fill.
bool MarkerBetweenRowsAndNow(j_decompress_ptr decoder, const Errors& errors) {
  if (errors.rowsMetMarker) return true;
  const JOCTET *from = errors.afterRows, *fileEnd = errors.fileEnd;
  const JOCTET* to = reinterpret_cast<Source*>(decoder->src)->ranOut ? fileEnd : decoder->src->next_input_byte - 2;
  for (const JOCTET* at = from; at + 1 < to; ++at)
    if (at[0] == 0xFF && at[1] != 0 && at[1] != 0xFF && !(at[1] >= JPEG_RST0 && at[1] <= JPEG_RST0 + 7)) return true;
  return false;
}

// A warning means libjpeg met damaged data and made up what it could not read; that is fine only
// once every row is out and the coded data ended where its last block did (a stray byte after
// a later segment). Bytes the rows left over in the coded data mean it was misread. Two warnings
// are about labels, not pixels.
void OnMessage(j_common_ptr common, int level) {
  if (level >= 0) return;
  const int code = common->err->msg_code;
  const Errors& errors = ErrorsOf(common);
  if (code != JWRN_JFIF_MAJOR && code != JWRN_ADOBE_XFORM) {
    if (errors.afterRows == nullptr) OnError(common);
    if (code == JWRN_EXTRANEOUS_DATA && !MarkerBetweenRowsAndNow(reinterpret_cast<j_decompress_ptr>(common), errors))
      OnError(common);
  }
  char text[JMSG_LENGTH_MAX];
  common->err->format_message(common, text);
  qCWarning(lcCodecs) << "libjpeg:" << text;
}

// libjpeg-turbo's own tools stop at this many scans: each scan goes over every coefficient again.
constexpr int MaxScans = 500;

constexpr JOCTET EndMarker[] = {0xFF, JPEG_EOI};

boolean SupplyEndMarker(j_decompress_ptr decoder) {
  reinterpret_cast<Source*>(decoder->src)->ranOut = true;
  decoder->src->next_input_byte = EndMarker;
  decoder->src->bytes_in_buffer = sizeof EndMarker;
  return TRUE;
}

// A skip past the end leaves only the end marker to read.
void Skip(j_decompress_ptr decoder, long count) {
  jpeg_source_mgr& source = *decoder->src;
  if (count <= 0) return;
  if (static_cast<std::size_t>(count) > source.bytes_in_buffer) {
    SupplyEndMarker(decoder);
    return;
  }
  source.next_input_byte += count;
  source.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void Nothing(j_decompress_ptr) {}

// The smallest scale of libjpeg's, n/8, that still covers `fitted`. A picture that needs no
// fitting is decoded at full scale: a smaller IDCT on a tiny picture keeps its size yet changes
// its pixels.
unsigned EighthsFor(const jpeg_decompress_struct& decoder, QSize fitted) {
  if (fitted == QSize(int(decoder.image_width), int(decoder.image_height))) return 8;
  for (unsigned eighths = 1; eighths < 8; ++eighths) {
    const auto scaled = [eighths](JDIMENSION side) { return (std::int64_t{side} * eighths + 7) / 8; };
    if (scaled(decoder.image_width) >= fitted.width() && scaled(decoder.image_height) >= fitted.height())
      return eighths;
  }
  return 8;
}

// Where a second decoder takes over a picture in one scan, on a boundary of its coded rows; the
// height when one decoder is as quick. The second reads past the first's coded data without
// drawing it, so it draws fewer rows and both finish together.
JDIMENSION SecondPartFrom(const jpeg_decompress_struct& decoder) {
  constexpr std::int64_t TwoPartPixels = 1 << 20;
  if (std::int64_t{decoder.output_width} * decoder.output_height < TwoPartPixels ||
      std::thread::hardware_concurrency() < 2)
    return decoder.output_height;
  const JDIMENSION band = JDIMENSION(decoder.max_v_samp_factor) * DCTSIZE;
  const JDIMENSION split = decoder.output_height * 3 / 5 / band * band;
  return split == 0 ? decoder.output_height : split;
}

bool IsCmyk(const jpeg_decompress_struct& decoder) {
  return decoder.jpeg_color_space == JCS_CMYK || decoder.jpeg_color_space == JCS_YCCK;
}

// Adobe's programs store CMYK inverted (0 is full ink) and say so in their marker; others store
// it plainly.
void CmykToBgra(const JSAMPLE* cmyk, JDIMENSION width, bool inverted, TAlphaColor* out) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
    const auto light = [&](int i) { return inverted ? unsigned{cmyk[i]} : 255u - cmyk[i]; };  // 255 - ink
    const unsigned k = light(3);
    const auto channel = [k](unsigned c) { return static_cast<std::uint8_t>((c * k + 127) / 255); };
    out[x] = MakeColor(0xFF, channel(light(0)), channel(light(1)), channel(light(2)));
  }
}

int OrientationOf(const jpeg_decompress_struct& decoder) {
  for (jpeg_saved_marker_ptr marker = decoder.marker_list; marker != nullptr; marker = marker->next)
    if (marker->marker == JPEG_APP0 + 1) {
      const int orientation = ExifOrientationOf(marker->data, marker->data_length);
      if (orientation != 1) return orientation;
    }
  return 1;
}

// Sets up libjpeg over the bytes and tears it down. Each phase that calls into libjpeg sets the
// point its errors jump back to and holds nothing with a destructor, so a jump skips none.
class JpegDecompression {
 public:
  explicit JpegDecompression(const QByteArray& bytes) {
    decoder_.err = jpeg_std_error(&errors_.manager);
    errors_.manager.error_exit = OnError;
    errors_.manager.emit_message = OnMessage;
    errors_.fileEnd = reinterpret_cast<const JOCTET*>(bytes.constData()) + bytes.size();
    source_.manager.next_input_byte = reinterpret_cast<const JOCTET*>(bytes.constData());
    source_.manager.bytes_in_buffer = static_cast<std::size_t>(bytes.size());
    source_.manager.init_source = Nothing;
    source_.manager.fill_input_buffer = SupplyEndMarker;
    source_.manager.skip_input_data = Skip;
    source_.manager.resync_to_restart = jpeg_resync_to_restart;
    source_.manager.term_source = Nothing;
  }
  JpegDecompression(const JpegDecompression&) = delete;
  JpegDecompression& operator=(const JpegDecompression&) = delete;
  ~JpegDecompression() { jpeg_destroy_decompress(&decoder_); }  // harmless when never created

  const jpeg_decompress_struct& Decoder() const { return decoder_; }
  const char* Reason() const { return errors_.reason; }
  bool HasMultipleScans() { return jpeg_has_multiple_scans(&decoder_); }
  int Orientation() const { return orientation_; }

  // Reads the markers up to the first scan and sets the output size to the smallest eighth that
  // covers `fitted`.
  bool ReadHeader(QSize& fitted) {
    if (setjmp(errors_.back) != 0) return false;
    jpeg_create_decompress(&decoder_);  // it fails only by an error, hence here
    decoder_.src = &source_.manager;
    jpeg_save_markers(&decoder_, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&decoder_, TRUE);
    orientation_ = OrientationOf(decoder_);  // the saved markers go with the picture's memory
    fitted = FittedSize(QSize(int(decoder_.image_width), int(decoder_.image_height)));
    decoder_.scale_num = EighthsFor(decoder_, fitted);
    decoder_.scale_denom = 8;
    decoder_.out_color_space = IsCmyk(decoder_) ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_calc_output_dimensions(&decoder_);
    return true;
  }

  // Bytes libjpeg keeps for the whole decoding: a picture in several scans holds every
  // coefficient, two bytes each, until the last scan.
  std::int64_t CoefficientBytes() {
    if (!HasMultipleScans()) return 0;
    std::int64_t bytes = 0;
    for (int c = 0; c < decoder_.num_components; ++c)
      bytes +=
          std::int64_t{decoder_.comp_info[c].width_in_blocks} * decoder_.comp_info[c].height_in_blocks * DCTSIZE2 * 2;
    return bytes;
  }

  bool Start() {
    if (setjmp(errors_.back) != 0) return false;
    jpeg_start_decompress(&decoder_);
    return true;
  }

  // Decodes rows `first` to `end` - 1, each into the memory `rowFor` gives for it, handing it to
  // `done` after. The rows above `first` are skipped: their coded data is read, not drawn.
  template <typename RowFor, typename Done>
  bool ReadRows(JDIMENSION first, JDIMENSION end, const RowFor& rowFor, const Done& done) {
    if (setjmp(errors_.back) != 0) return false;
    if (first > 0) jpeg_skip_scanlines(&decoder_, first);
    while (decoder_.output_scanline < end) {
      const JDIMENSION y = decoder_.output_scanline;
      JSAMPROW row = rowFor(y);
      jpeg_read_scanlines(&decoder_, &row, 1);
      done(y, row);
    }
    if (end < decoder_.output_height) return true;  // the rest is another decoder's
    errors_.rowsMetMarker = decoder_.unread_marker != 0;
    errors_.afterRows = source_.ranOut ? errors_.fileEnd : decoder_.src->next_input_byte;
    jpeg_finish_decompress(&decoder_);
    return true;
  }

 private:
  jpeg_decompress_struct decoder_{};
  Errors errors_{};
  Source source_{};
  int orientation_ = 1;
};

// libjpeg's complaints are about the file's bytes; the budget's refusals say so.
TRefusal Refused(const QString& reason, TRefusalKind kind = TRefusalKind::Damaged) { return {kind, reason}; }

// Decodes the picture into the sink made for its fitted size; why not when a pixel could not be
// decoded as stored. When it is decoded in two parts at its own size and upright, the upper part
// calls `topDone` once the sink holds the top `topRows` rows.
template <class MakeSink>
std::optional<TRefusal> DecodeInto(const QByteArray& bytes, int& orientation, const MakeSink& makeSink, int topRows = 0,
                                   const std::function<void()>& topDone = {}) {
  JpegDecompression jpeg(bytes);
  QSize fitted;
  if (!jpeg.ReadHeader(fitted)) return Refused(jpeg.Reason());
  // Refused before libjpeg takes memory for every coefficient. A cut between two scans draws no
  // complaint from libjpeg, nor does a cut in arithmetic-coded data: its decoder reads zeros past
  // the end, as a whole file's last bits need. There only the end marker says nothing is missing.
  const JpegScanLayout layout = ReadJpegScanLayout(bytes);
  if (layout.scans > MaxScans)
    return Refused(QStringLiteral("it has more scans than any picture needs"), TRefusalKind::BeyondBudget);
  if (!layout.reachesEnd && jpeg.HasMultipleScans() && !layout.scansComplete)
    return Refused(QStringLiteral("the file ends before its last scan"));
  if (jpeg.HasMultipleScans() && !layout.everyComponentScanned)
    return Refused(QStringLiteral("a component has no scan"));
  if (!layout.reachesEnd && layout.arithmetic)
    return Refused(QStringLiteral("its arithmetic-coded data runs to the end of the file, as if cut"));
  const std::int64_t bitmapBytes = std::int64_t{fitted.width()} * fitted.height() * 4;
  if (jpeg.CoefficientBytes() > 3 * bitmapBytes)
    return Refused(QStringLiteral("its scans would hold %1 MB of coefficients").arg(jpeg.CoefficientBytes() >> 20),
                   TRefusalKind::BeyondBudget);

  const jpeg_decompress_struct& decoder = jpeg.Decoder();
  const int width = int(decoder.output_width), height = int(decoder.output_height);
  const RowSink sink = makeSink(fitted);
  // Rows land in the sink's memory, unless they are to be fitted or converted from CMYK first.
  const QSize size(width, height);
  const bool cmyk = IsCmyk(decoder);
  // Reads rows `first` to `end` - 1 with buffers of its own, so that two parts can be read at once.
  // Row `announced` - 1 done calls `topDone`; none when 0.
  const auto readPart = [&](JpegDecompression& part, JDIMENSION first, JDIMENSION end, JDIMENSION announced) {
    TFittedRows rows(size, fitted, sink);
    std::vector<JSAMPLE> inks(cmyk ? static_cast<std::size_t>(width) * 4 : 0);
    const auto rowFor = [&](JDIMENSION y) { return cmyk ? inks.data() : reinterpret_cast<JSAMPROW>(rows.Row(int(y))); };
    const auto done = [&](JDIMENSION y, JSAMPROW) {
      if (cmyk) CmykToBgra(inks.data(), decoder.output_width, decoder.saw_Adobe_marker, rows.Row(int(y)));
      rows.Done(int(y));
      if (y + 1 == announced) topDone();
    };
    return part.ReadRows(first, end, rowFor, done);
  };
  if (!jpeg.Start()) return Refused(jpeg.Reason());
  const JDIMENSION split = fitted != size || jpeg.HasMultipleScans() ? decoder.output_height : SecondPartFrom(decoder);
  const bool announces = topDone && topRows > 0 && JDIMENSION(topRows) <= split && split < decoder.output_height &&
                         jpeg.Orientation() == 1;
  JpegDecompression lower(bytes);
  std::future<bool> lowerRead;
  if (split < decoder.output_height)
    lowerRead = std::async(std::launch::async, [&] {
      QSize same;
      return lower.ReadHeader(same) && lower.Start() && readPart(lower, split, decoder.output_height, 0);
    });
  const bool upperRead = readPart(jpeg, 0, split, announces ? JDIMENSION(topRows) : 0);
  if (lowerRead.valid() && !lowerRead.get()) return Refused(lower.Reason());
  if (!upperRead) return Refused(jpeg.Reason());
  orientation = jpeg.Orientation();
  return std::nullopt;
}

}  // namespace

bool IsJpeg(const QByteArray& bytes) { return bytes.startsWith("\xFF\xD8\xFF"); }

TDecoded<TBitmap> DecodeJpeg(const QByteArray& bytes) {
  TBitmap bitmap;
  int orientation = 1;
  const auto makeSink = [&bitmap](QSize fitted) { return IntoBitmap(bitmap, fitted); };
  if (const std::optional<TRefusal> refusal = DecodeInto(bytes, orientation, makeSink)) return *refusal;
  if (orientation == 1) return bitmap;
  return Oriented(bitmap, orientation);
}

TDecoded<TGrayPlane> DecodeJpegGray(const QByteArray& bytes, const TEarlyRows& early) {
  TGrayPlane gray;
  int orientation = 1;
  const auto makeSink = [&gray](QSize fitted) { return IntoGray(gray, fitted); };
  const auto topDone = [&] { early.ready(gray); };
  if (const std::optional<TRefusal> refusal =
          DecodeInto(bytes, orientation, makeSink, early.ready ? early.rows : 0, topDone))
    return *refusal;
  if (orientation == 1) return gray;
  return Oriented(gray, orientation);
}

}  // namespace tracella
