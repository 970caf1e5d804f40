#include "JpegXrDecoder.h"

#include <JXRGlue.h>

#include <memory>

#include "AlphaColor.h"
#include "DecodeBudget.h"
#include "RunInChild.h"
#include "SharedPicture.h"

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
bool ByteCountsWithinFile(const PKImageDecode& decoder, qsizetype fileSize) {
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

// The whole decode, left in `picture`; run in a child process.
bool DecodeInto(const QByteArray& bytes, SharedPicture& picture) {
  WMPStream* rawStream = nullptr;
  // The memory stream only reads, whatever its signature says.
  if (Failed(CreateWS_Memory(&rawStream, const_cast<char*>(bytes.constData()), static_cast<size_t>(bytes.size()))))
    return false;
  const std::unique_ptr<WMPStream, StreamCloser> stream(rawStream);
  PKImageDecode* rawDecoder = nullptr;
  if (Failed(PKImageDecode_Create_WMP(&rawDecoder))) return false;
  const std::unique_ptr<PKImageDecode, DecoderReleaser> decoder(rawDecoder);
  if (Failed(decoder->Initialize(decoder.get(), stream.get())) || !ByteCountsWithinFile(*decoder, bytes.size()))
    return false;

  I32 width = 0, height = 0;
  PKPixelFormatGUID nativeFormat{};
  if (Failed(decoder->GetSize(decoder.get(), &width, &height)) ||
      Failed(decoder->GetPixelFormat(decoder.get(), &nativeFormat)) || width <= 0 || height <= 0)
    return false;
  bool hasAlpha = false;
  const U32 nativeBits = NativeBitsPerPixel(nativeFormat, hasAlpha);
  decoder->WMP.wmiSCP.uAlphaMode = hasAlpha ? 2 : 0;  // 2: the alpha plane too
  // Copy writes the native pixels first and converts them in place, so rows hold the wider.
  const std::int64_t bitsPerPixel = std::max<std::int64_t>(nativeBits, hasAlpha ? 32 : 24);
  const std::int64_t stride = (std::int64_t{width} * bitsPerPixel + 7) / 8;
  if (nativeBits == 0 || std::int64_t{width} * height > MaxDecodePixels || stride * height > MaxDecodeBytes)
    return false;

  // Its converter cannot produce BGRA, so it gives 8-bit RGB(A) and the rest is done here.
  PKFormatConverter* rawConverter = nullptr;
  if (Failed(PKCodecFactory_CreateFormatConverter(&rawConverter))) return false;
  const std::unique_ptr<PKFormatConverter, ConverterReleaser> converter(rawConverter);
  const PKPixelFormatGUID target = hasAlpha ? GUID_PKPixelFormat32bppRGBA : GUID_PKPixelFormat24bppRGB;
  if (Failed(converter->Initialize(converter.get(), decoder.get(), nullptr, target))) return false;

  std::vector<U8> rows(static_cast<std::size_t>(stride * height));
  const PKRect all{0, 0, width, height};
  if (Failed(converter->Copy(converter.get(), &all, rows.data(), static_cast<U32>(stride)))) return false;
  TAlphaColor* out = picture.StartWriting(width, height);
  if (out == nullptr) return false;
  ToPremultiplied(rows, width, height, static_cast<std::size_t>(stride), hasAlpha, out);
  return true;
}

}  // namespace

bool IsJpegXr(const QByteArray& bytes) { return bytes.startsWith(QByteArray("II\xBC", 3)); }

std::optional<QImage> DecodeJpegXr(const QByteArray& bytes) {
  // libjxr reads out of bounds and crashes on some damaged files, so it runs in a child process:
  // a crash there is just a file that cannot be loaded.
  SharedPicture picture;
  if (!RunInChild([&] { return DecodeInto(bytes, picture); }, DecodeSeconds)) return std::nullopt;
  QImage image = picture.TakeImage();
  if (image.isNull()) return std::nullopt;
  return image;
}

}  // namespace tracella
