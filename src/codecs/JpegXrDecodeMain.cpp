// tracella-jxr-decode: decodes one JPEG XR picture for the programs, in a process of its own:
// libjxr reads out of bounds and crashes on some damaged files, and a crash here is only a file
// that cannot be loaded. The file's bytes come on standard input; the picture goes to standard
// output as its width and height (two native 32-bit integers), then its rows of premultiplied
// ARGB32. Exit status 0 when the whole picture was written.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "AlphaColor.h"
#include "DecodeBudget.h"
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

// Converts rows of 8-bit RGB or RGBA into packed rows of premultiplied ARGB32.
void ToPremultiplied(const std::vector<U8>& rows, int width, int height, std::size_t stride, bool hasAlpha,
                     TAlphaColor* out) {
  const int channels = hasAlpha ? 4 : 3;
  for (int y = 0; y < height; ++y) {
    const U8* in = rows.data() + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x, in += channels, ++out) {
      *out = Premultiply(MakeColor(hasAlpha ? in[3] : 0xFF, in[0], in[1], in[2]));
    }
  }
}

// Converts rows of 16-bit grey into packed rows of opaque ARGB32, each level scaled to 8 bits.
void DeepGrayToArgb(const std::vector<U8>& rows, int width, int height, std::size_t stride, TAlphaColor* out) {
  for (int y = 0; y < height; ++y) {
    const U8* in = rows.data() + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x, in += 2, ++out) {
      std::uint16_t level = 0;
      std::memcpy(&level, in, sizeof level);
      const auto grey = static_cast<std::uint8_t>((level + 128) / 257);  // level * 255 / 65535, rounded
      *out = MakeColor(0xFF, grey, grey, grey);
    }
  }
}

// The whole decode as rows of premultiplied ARGB32; empty when the file cannot be decoded.
std::vector<TAlphaColor> Decode(std::vector<char>& bytes, I32& width, I32& height) {
  WMPStream* rawStream = nullptr;
  // The memory stream only reads, whatever its signature says.
  if (Failed(CreateWS_Memory(&rawStream, bytes.data(), static_cast<size_t>(bytes.size())))) return {};
  const std::unique_ptr<WMPStream, StreamCloser> stream(rawStream);
  PKImageDecode* rawDecoder = nullptr;
  if (Failed(PKImageDecode_Create_WMP(&rawDecoder))) return {};
  const std::unique_ptr<PKImageDecode, DecoderReleaser> decoder(rawDecoder);
  if (Failed(decoder->Initialize(decoder.get(), stream.get())) ||
      !ByteCountsWithinFile(*decoder, static_cast<std::int64_t>(bytes.size())))
    return {};

  PKPixelFormatGUID nativeFormat{};
  if (Failed(decoder->GetSize(decoder.get(), &width, &height)) ||
      Failed(decoder->GetPixelFormat(decoder.get(), &nativeFormat)) || width <= 0 || height <= 0)
    return {};
  bool hasAlpha = false;
  const U32 nativeBits = NativeBitsPerPixel(nativeFormat, hasAlpha);
  decoder->WMP.wmiSCP.uAlphaMode = hasAlpha ? 2 : 0;  // 2: the alpha plane too
  // Copy writes the native pixels first and converts them in place, so rows hold the wider. libjxr
  // steps through a row of 16-bit pixels by whole pixels of the stride (an odd stride shifted every
  // row by a byte), so the stride is a whole number of 8 bytes.
  const std::int64_t bitsPerPixel = std::max<std::int64_t>(nativeBits, hasAlpha ? 32 : 24);
  const std::int64_t stride = (std::int64_t{width} * bitsPerPixel + 63) / 64 * 8;
  if (nativeBits == 0 || std::int64_t{width} * height > MaxDecodePixels || stride * height > MaxDecodeBytes) return {};

  std::vector<U8> rows(static_cast<std::size_t>(stride * height));
  const PKRect all{0, 0, width, height};
  std::vector<TAlphaColor> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  // Its converter has no way from 16-bit grey to colour; the native levels are scaled here.
  if (IsEqualGUID(nativeFormat, GUID_PKPixelFormat16bppGray)) {
    if (Failed(decoder->Copy(decoder.get(), &all, rows.data(), static_cast<U32>(stride)))) return {};
    DeepGrayToArgb(rows, width, height, static_cast<std::size_t>(stride), pixels.data());
    return pixels;
  }
  // Its converter cannot produce BGRA, so it gives 8-bit RGB(A) and the rest is done here.
  PKFormatConverter* rawConverter = nullptr;
  if (Failed(PKCodecFactory_CreateFormatConverter(&rawConverter))) return {};
  const std::unique_ptr<PKFormatConverter, ConverterReleaser> converter(rawConverter);
  const PKPixelFormatGUID target = hasAlpha ? GUID_PKPixelFormat32bppRGBA : GUID_PKPixelFormat24bppRGB;
  if (Failed(converter->Initialize(converter.get(), decoder.get(), nullptr, target))) return {};
  if (Failed(converter->Copy(converter.get(), &all, rows.data(), static_cast<U32>(stride)))) return {};
  ToPremultiplied(rows, width, height, static_cast<std::size_t>(stride), hasAlpha, pixels.data());
  return pixels;
}

// Standard input whole; empty when it cannot be read or is larger than any accepted picture.
std::vector<char> ReadInput() {
  std::vector<char> bytes;
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
  I32 width = 0, height = 0;
  const std::vector<TAlphaColor> pixels = bytes.empty() ? std::vector<TAlphaColor>() : Decode(bytes, width, height);
  if (pixels.empty()) return 1;
  const std::int32_t size[2] = {width, height};
  return WriteAll(STDOUT_FILENO, size, sizeof size) &&
                 WriteAll(STDOUT_FILENO, pixels.data(), pixels.size() * sizeof(TAlphaColor))
             ? 0
             : 1;
}
