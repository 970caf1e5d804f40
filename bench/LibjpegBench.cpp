// The floors for loading and saving a JPEG: libjpeg-turbo alone decoding straight into BGRA, and
// encoding the 24 MP sketch's BGRA with the settings the program saves with.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "BenchPictures.h"
#include "JpegLib.h"
#include "SketchPasses.h"

namespace tracella::bench {
namespace {

// libjpeg's errors jump back to the decoder instead of ending the process.
struct JumpingErrors {
  jpeg_error_mgr manager;
  std::jmp_buf back;
};

// Decodes the whole file into pixels (resized as needed); false when libjpeg reports an error.
bool DecodeBgra(std::FILE* file, std::vector<unsigned char>& pixels) {
  jpeg_decompress_struct decoder{};
  JumpingErrors errors{};
  decoder.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = [](j_common_ptr common) {
    std::longjmp(reinterpret_cast<JumpingErrors*>(common->err)->back, 1);
  };
  bool decoded = false;
  if (setjmp(errors.back) == 0) {
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    decoder.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&decoder);
    const std::size_t stride = std::size_t{decoder.output_width} * 4;
    pixels.resize(stride * decoder.output_height);
    while (decoder.output_scanline < decoder.output_height) {
      JSAMPROW row = pixels.data() + stride * decoder.output_scanline;
      jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    decoded = true;
  }
  jpeg_destroy_decompress(&decoder);
  return decoded;
}

void BM_DecodeOnlyLibjpeg(benchmark::State& state) {
  const QString photo = BenchPhoto(state);
  if (photo.isEmpty()) return;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(photo.toLocal8Bit().constData(), "rb"),
                                                             std::fclose);
  std::vector<unsigned char> pixels;
  if (!file || !DecodeBgra(file.get(), pixels)) {
    state.SkipWithError("libjpeg cannot decode the photograph");
    return;
  }
  for ([[maybe_unused]] auto _ : state) {
    std::rewind(file.get());
    DecodeBgra(file.get(), pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_DecodeOnlyLibjpeg)->Name("DecodeOnlyLibjpeg24MP")->Unit(benchmark::kMillisecond);

// Quality 75, libjpeg's defaults otherwise, into memory; the encoded size, 0 on an error.
unsigned long EncodeBgra(const TBitmap& pixels) {
  jpeg_compress_struct encoder{};
  JumpingErrors errors{};
  encoder.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = [](j_common_ptr common) {
    std::longjmp(reinterpret_cast<JumpingErrors*>(common->err)->back, 1);
  };
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  if (setjmp(errors.back) == 0) {
    jpeg_create_compress(&encoder);
    jpeg_mem_dest(&encoder, &bytes, &size);
    encoder.image_width = static_cast<JDIMENSION>(pixels.Width());
    encoder.image_height = static_cast<JDIMENSION>(pixels.Height());
    encoder.input_components = 4;
    encoder.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&encoder);
    jpeg_set_quality(&encoder, 75, TRUE);
    jpeg_start_compress(&encoder, TRUE);
    while (encoder.next_scanline < encoder.image_height) {
      JSAMPROW row =
          const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(pixels.ScanLine(int(encoder.next_scanline))));
      jpeg_write_scanlines(&encoder, &row, 1);
    }
    jpeg_finish_compress(&encoder);
  } else {
    size = 0;
  }
  jpeg_destroy_compress(&encoder);
  std::free(bytes);
  return size;
}

void BM_EncodeOnlyLibjpeg(benchmark::State& state) {
  TBitmap sketch;
  RenderSketch(BenchPlane(24), 9.0f, claBlack, sketch);
  for ([[maybe_unused]] auto _ : state)
    if (EncodeBgra(sketch) == 0) state.SkipWithError("libjpeg cannot encode the sketch");
}
BENCHMARK(BM_EncodeOnlyLibjpeg)->Name("EncodeOnlyLibjpeg24MP")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tracella::bench
