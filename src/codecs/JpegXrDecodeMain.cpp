// tracella-jxr-decode: decodes one JPEG XR picture for the programs, in a process of its own:
// libjxr reads out of bounds and crashes on some damaged files, and a crash here is only a file
// that cannot be loaded. The file's bytes come on standard input; the picture goes to standard
// output as its width and height (two native 32-bit integers), then its rows of premultiplied
// ARGB32 from the top, each as soon as it is decoded, so that neither side ever holds the picture
// at its own size. Exit status 0 when the whole picture was written.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "AlphaColor.h"
#include "DecodeBudget.h"
#include "JpegXrExit.h"
#include "WholeTransfer.h"
// Last: JXRGlue.h defines macros (min, max and more) that the headers above must not meet.
#include <JXRGlue.h>

namespace tracella {
namespace {

// Longer than the largest accepted picture takes; a decoder still busy then is stuck.
constexpr unsigned DecodeSeconds = 60;

struct StreamCloser {
  void operator()(WMPStream* stream) const { stream->Close(&stream); }
};
struct DecoderReleaser {
  void operator()(PKImageDecode* decoder) const { decoder->Release(&decoder); }
};
struct ConverterReleaser {
  void operator()(PKFormatConverter* converter) const { converter->Release(&converter); }
};

// libjxr's Copy succeeds on a cut-off file and leaves garbage, so the container's own byte
// counts are checked against the file instead. libjxr's encoder stores the end of the alpha
// plane where its byte count belongs, so either reading is taken for the alpha plane.
bool ByteCountsWithinFile(const PKImageDecode& decoder, std::int64_t fileSize) {
  const WmpDEMisc& layout = decoder.WMP.wmiDEMisc;
  const auto within = [fileSize](std::int64_t end) { return end <= fileSize; };
  const bool imageWhole =
      layout.uImageByteCount > 0 && within(std::int64_t{layout.uImageOffset} + layout.uImageByteCount);
  const bool alphaWhole = layout.uAlphaByteCount == 0 ||
                          within(std::int64_t{layout.uAlphaOffset} + layout.uAlphaByteCount) ||
                          (layout.uAlphaByteCount > layout.uAlphaOffset && within(layout.uAlphaByteCount));
  return imageWhole && alphaWhole;
}

// Bits per pixel of the decoder's own format; 0 when libjxr does not know it.
U32 NativeBitsPerPixel(const PKPixelFormatGUID& format, bool& hasAlpha) {
  PKPixelInfo info{};
  info.pGUIDPixFmt = &format;
  if (Failed(PixelFormatLookup(&info, LOOKUP_FORWARD))) return 0;
  hasAlpha = (info.grBit & PK_pixfmtHasAlpha) != 0;
  return info.cbitUnit;
}

// Rows decoded at a time. libjxr decodes 16-row macroblock rows and takes successive bands of
// whole ones from the top; from one to sixteen of them the decoding time stays the same, and one
// holds least.
constexpr I32 BandRows = 16;

// Converts a row of 8-bit RGB or RGBA into premultiplied ARGB32.
void ToPremultiplied(const U8* in, int width, bool hasAlpha, TAlphaColor* out) {
  const int channels = hasAlpha ? 4 : 3;
  for (int x = 0; x < width; ++x, in += channels)
    out[x] = Premultiply(MakeColor(hasAlpha ? in[3] : 0xFF, in[0], in[1], in[2]));
}

// Converts a row of 16-bit grey into opaque ARGB32, each level scaled to 8 bits.
void DeepGrayToArgb(const U8* in, int width, TAlphaColor* out) {
  for (int x = 0; x < width; ++x, in += 2) {
    std::uint16_t level = 0;
    std::memcpy(&level, in, sizeof level);
    const auto grey = static_cast<std::uint8_t>((level + 128) / 257);  // level * 255 / 65535, rounded
    out[x] = MakeColor(0xFF, grey, grey, grey);
  }
}

// Decodes the file band by band and writes its size and rows to `out`; how the program ends.
TJpegXrExit DecodeTo(int out, std::vector<char>& bytes) {
  WMPStream* rawStream = nullptr;
  // The memory stream only reads, whatever its signature says.
  if (Failed(CreateWS_Memory(&rawStream, bytes.data(), static_cast<size_t>(bytes.size())))) return TJpegXrExit::Failed;
  const std::unique_ptr<WMPStream, StreamCloser> stream(rawStream);
  PKImageDecode* rawDecoder = nullptr;
  if (Failed(PKImageDecode_Create_WMP(&rawDecoder))) return TJpegXrExit::Failed;
  const std::unique_ptr<PKImageDecode, DecoderReleaser> decoder(rawDecoder);
  if (Failed(decoder->Initialize(decoder.get(), stream.get())) ||
      !ByteCountsWithinFile(*decoder, static_cast<std::int64_t>(bytes.size())))
    return TJpegXrExit::Failed;

  I32 width = 0, height = 0;
  PKPixelFormatGUID nativeFormat{};
  if (Failed(decoder->GetSize(decoder.get(), &width, &height)) ||
      Failed(decoder->GetPixelFormat(decoder.get(), &nativeFormat)) || width <= 0 || height <= 0)
    return TJpegXrExit::Failed;
  bool hasAlpha = false;
  const U32 nativeBits = NativeBitsPerPixel(nativeFormat, hasAlpha);
  decoder->WMP.wmiSCP.uAlphaMode = hasAlpha ? 2 : 0;  // 2: the alpha plane too

  // Its converter has no way from 16-bit grey to colour; the native levels are scaled here.
  // Otherwise it cannot produce BGRA, so it gives 8-bit RGB(A) and the rest is done here.
  const bool deepGray = IsEqualGUID(nativeFormat, GUID_PKPixelFormat16bppGray);
  PKFormatConverter* rawConverter = nullptr;
  if (!deepGray && Failed(PKCodecFactory_CreateFormatConverter(&rawConverter))) return TJpegXrExit::Failed;
  const std::unique_ptr<PKFormatConverter, ConverterReleaser> converter(rawConverter);
  const PKPixelFormatGUID target = hasAlpha ? GUID_PKPixelFormat32bppRGBA : GUID_PKPixelFormat24bppRGB;
  if (converter && Failed(converter->Initialize(converter.get(), decoder.get(), nullptr, target)))
    return TJpegXrExit::Failed;

  // Copy writes the native pixels first and converts them in place, so rows hold the wider. libjxr
  // steps through a row of 16-bit pixels by whole pixels of the stride (an odd stride shifted every
  // row by a byte), so the stride is a whole number of 8 bytes.
  const std::int64_t bitsPerPixel = std::max<std::int64_t>(nativeBits, hasAlpha ? 32 : 24);
  const std::int64_t stride = (std::int64_t{width} * bitsPerPixel + 63) / 64 * 8;
  if (nativeBits == 0) return TJpegXrExit::Failed;
  if (std::int64_t{width} * height > MaxDecodePixels || stride * height > MaxDecodeBytes)
    return TJpegXrExit::BeyondBudget;
  const I32 bandRows = std::min<I32>(BandRows, height);
  std::vector<U8> band(static_cast<std::size_t>(stride * bandRows));
  std::vector<TAlphaColor> row(static_cast<std::size_t>(width));
  const std::int32_t size[2] = {width, height};
  if (!WriteAll(out, size, sizeof size)) return TJpegXrExit::Failed;
  for (I32 top = 0; top < height; top += bandRows) {
    const PKRect rect{0, top, width, std::min<I32>(bandRows, height - top)};
    if (Failed(converter ? converter->Copy(converter.get(), &rect, band.data(), static_cast<U32>(stride))
                         : decoder->Copy(decoder.get(), &rect, band.data(), static_cast<U32>(stride))))
      return TJpegXrExit::Failed;
    for (I32 y = 0; y < rect.Height; ++y) {
      const U8* in = band.data() + static_cast<std::size_t>(stride * y);
      if (deepGray)
        DeepGrayToArgb(in, width, row.data());
      else
        ToPremultiplied(in, width, hasAlpha, row.data());
      if (!WriteAll(out, row.data(), row.size() * sizeof(TAlphaColor))) return TJpegXrExit::Failed;
    }
  }
  return TJpegXrExit::Decoded;
}

// Standard input whole; empty when it cannot be read or is larger than any accepted picture.
std::vector<char> ReadInput() {
  std::vector<char> bytes;
  // The caller's memfd knows its size: one buffer of that (and a byte to see the end), where a
  // doubling one would take up to twice the file.
  struct stat info {};
  if (::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= MaxPictureFileBytes)
    bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      if (bytes.size() > static_cast<std::size_t>(MaxPictureFileBytes)) return {};
      bytes.resize(std::max<std::size_t>(bytes.size() * 2, 1 << 20));
    }
    const ssize_t got = ::read(STDIN_FILENO, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return {};
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace
}  // namespace tracella

int main() {
  using namespace tracella;
  ::alarm(DecodeSeconds);
  std::vector<char> bytes = ReadInput();
  return static_cast<int>(bytes.empty() ? TJpegXrExit::Failed : DecodeTo(STDOUT_FILENO, bytes));
}
