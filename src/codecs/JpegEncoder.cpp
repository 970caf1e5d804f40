#include "JpegEncoder.h"

#include <csetjmp>
#include <memory>

#include "JpegLib.h"

namespace tracella {
namespace {

// libjpeg reports a failure through this; it jumps back to the phase that called it.
struct Errors {
  jpeg_error_mgr manager;
  std::jmp_buf back;
};

[[noreturn]] void OnError(j_common_ptr encoder) { std::longjmp(reinterpret_cast<Errors*>(encoder->err)->back, 1); }

// Hands the encoder's output to a sink, a buffer at a time.
struct Destination {
  jpeg_destination_mgr manager;
  const ByteSink* sink;
  JOCTET buffer[64 * 1024];
};

Destination& DestinationOf(j_compress_ptr encoder) { return *reinterpret_cast<Destination*>(encoder->dest); }

void StartBuffer(j_compress_ptr encoder) {
  Destination& destination = DestinationOf(encoder);
  destination.manager.next_output_byte = destination.buffer;
  destination.manager.free_in_buffer = sizeof destination.buffer;
}

void Hand(j_compress_ptr encoder, std::size_t count) {
  Destination& destination = DestinationOf(encoder);
  if (!(*destination.sink)(reinterpret_cast<const char*>(destination.buffer), count)) ERREXIT(encoder, JERR_FILE_WRITE);
}

boolean FlushBuffer(j_compress_ptr encoder) {
  Hand(encoder, sizeof Destination::buffer);
  StartBuffer(encoder);
  return TRUE;
}

void FlushRest(j_compress_ptr encoder) {
  Hand(encoder, sizeof Destination::buffer - DestinationOf(encoder).manager.free_in_buffer);
}

// Sets up libjpeg to write into `sink` and tears it down. Each phase that calls into libjpeg sets
// the point its errors jump back to and holds nothing with a destructor, so a jump skips none.
class JpegCompression {
 public:
  explicit JpegCompression(const ByteSink& sink) : destination_(std::make_unique<Destination>()) {
    encoder_.err = jpeg_std_error(&errors_.manager);
    errors_.manager.error_exit = OnError;
    destination_->manager.init_destination = StartBuffer;
    destination_->manager.empty_output_buffer = FlushBuffer;
    destination_->manager.term_destination = FlushRest;
    destination_->sink = &sink;
  }
  JpegCompression(const JpegCompression&) = delete;
  JpegCompression& operator=(const JpegCompression&) = delete;
  ~JpegCompression() { jpeg_destroy_compress(&encoder_); }  // harmless when never created

  // Qt's writer: libjpeg's defaults (YCbCr, 2x2 chroma, baseline, Huffman tables unoptimised),
  // quality 75 with baseline tables; 96 dots per inch in the JFIF header.
  bool Start(int width, int height) {
    if (setjmp(errors_.back) != 0) return false;
    jpeg_create_compress(&encoder_);
    encoder_.dest = &destination_->manager;
    encoder_.image_width = static_cast<JDIMENSION>(width);
    encoder_.image_height = static_cast<JDIMENSION>(height);
    encoder_.input_components = 4;
    encoder_.in_color_space = JCS_EXT_BGRX;  // a bitmap's bytes as they are
    jpeg_set_defaults(&encoder_);
    encoder_.density_unit = 1;
    encoder_.X_density = 96;
    encoder_.Y_density = 96;
    jpeg_set_quality(&encoder_, 75, TRUE);
    jpeg_start_compress(&encoder_, TRUE);
    return true;
  }

  bool WriteRow(const TAlphaColor* pixels) {
    if (setjmp(errors_.back) != 0) return false;
    // libjpeg only reads the row, though its type does not say so.
    JSAMPROW row = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(pixels));
    jpeg_write_scanlines(&encoder_, &row, 1);
    return true;
  }

  bool Finish() {
    if (setjmp(errors_.back) != 0) return false;
    jpeg_finish_compress(&encoder_);
    return true;
  }

 private:
  jpeg_compress_struct encoder_{};
  Errors errors_{};
  std::unique_ptr<Destination> destination_;
};

}  // namespace

bool EncodeJpeg(const TPictureRows& picture, const ByteSink& sink) {
  if (picture.Width <= 0 || picture.Height <= 0) return false;
  JpegCompression jpeg(sink);
  if (!jpeg.Start(picture.Width, picture.Height)) return false;
  for (int y = 0; y < picture.Height; ++y)
    if (!jpeg.WriteRow(picture.Row(y))) return false;
  return jpeg.Finish();
}

}  // namespace tracella
