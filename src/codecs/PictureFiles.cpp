#include "PictureFiles.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <new>

#include "BitmapImage.h"
#include "BmpDecoder.h"
#include "CodecsLog.h"
#include "DecodeBudget.h"
#include "GifDecoder.h"
#include "JpegDecoder.h"
#include "JpegEncoder.h"
#include "JpegXrDecoder.h"
#include "PngDecoder.h"
#include "PngEncoder.h"
#include "QtPictureDecoder.h"
#include "RegularFile.h"
#include "SketchPasses.h"
#include "TiffDecoder.h"

namespace tracella {
namespace {

// The text from the last full stop of the file name, lower-cased; empty without one.
QString ExtensionOf(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf(u'.');
  return dot < 0 ? QString() : name.mid(dot).toLower();
}

bool IsPictureExtension(const QString& extension) {
  return std::ranges::any_of(PictureExtensions,
                             [&](const char* accepted) { return extension == QLatin1StringView(accepted); });
}

// A format read here: how its content is recognised, and how it is decoded. A decoder that can
// hand over its rows straight to their grey says so; the others are decoded whole, reduced to
// their grey and let go at once.
struct TDecoder {
  const char* format;  // begins the reason in the log
  bool (*recognises)(const QByteArray& bytes);
  TDecoded<TBitmap> (*decode)(const QByteArray& bytes);
  TDecoded<TGrayPlane> (*decodeGray)(const QByteArray& bytes, const TEarlyRows& early) = nullptr;
};

// A grey decoder that shows no rows before it is done.
template <TDecoded<TGrayPlane> (*decodeGray)(const QByteArray&)>
TDecoded<TGrayPlane> AllAtOnce(const QByteArray& bytes, const TEarlyRows& /*early*/) {
  return decodeGray(bytes);
}

// The first that recognises the content decodes it; Qt's readers take what none of ours does.
const TDecoder Decoders[] = {
    {"JPEG", IsJpeg, DecodeJpeg, DecodeJpegGray},
    {"PNG", IsPng, DecodePng, AllAtOnce<DecodePngGray>},
    {"GIF", IsGif, DecodeGif, AllAtOnce<DecodeGifGray>},
    {"TIFF", IsTiff, DecodeTiff, AllAtOnce<DecodeTiffGray>},
    {"BMP", IsBitFieldBmp, DecodeBitFieldBmp, AllAtOnce<DecodeBitFieldBmpGray>},
    {"BMP", IsRleBmp, DecodeRleBmp, AllAtOnce<DecodeRleBmpGray>},
    {"JPEG XR", IsJpegXr, DecodeJpegXr},
    {"Qt", IsLeftToQt, DecodeWithQt},
};

const TDecoder* DecoderFor(const QByteArray& bytes) {
  const auto* found =
      std::ranges::find_if(Decoders, [&bytes](const TDecoder& decoder) { return decoder.recognises(bytes); });
  return found == std::end(Decoders) ? nullptr : found;
}

bool IsReadFormat(const QByteArray& bytes) { return DecoderFor(bytes) != nullptr; }

const TRefusal UnrecognisedContent{TRefusalKind::UnreadFormat, QStringLiteral("no decoder recognises its content")};

// The refusal with the decoder's format in front of its reason, as the log gives it.
template <class T>
TDecoded<T> Named(const TDecoder& decoder, TDecoded<T> decoded) {
  if (decoded) return decoded;
  return TRefusal{decoded.Refusal().kind,
                  QStringLiteral("%1: %2").arg(QLatin1StringView(decoder.format), decoded.Refusal().text)};
}

TDecoded<TBitmap> Decode(const QByteArray& bytes) {
  const TDecoder* decoder = DecoderFor(bytes);
  if (decoder == nullptr) return UnrecognisedContent;
  return Named(*decoder, decoder->decode(bytes));
}

TDecoded<TGrayPlane> DecodeGray(const QByteArray& bytes, const TEarlyRows& early = {}) {
  const TDecoder* decoder = DecoderFor(bytes);
  if (decoder == nullptr) return UnrecognisedContent;
  if (decoder->decodeGray != nullptr) return Named(*decoder, decoder->decodeGray(bytes, early));
  TDecoded<TBitmap> picture = Named(*decoder, decoder->decode(bytes));
  if (!picture) return picture.Refusal();
  TGrayPlane gray;
  MakeGray(*picture, gray);
  return gray;
}

bool IsJpegExtension(const QString& extension) { return extension == u".jpg" || extension == u".jpeg"; }

// The file's bytes, or nothing when the encoder fails.
std::optional<QByteArray> Encode(const QImage& image, const char* format) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (image.isNull() || !writer.write(image)) return std::nullopt;
  return buffer.data();
}

std::optional<QByteArray> EncodeFor(const TBitmap& bitmap, const QString& extension) {
  // JPEG has no alpha: the colour channels are written as stored, the alpha byte is dropped.
  if (IsJpegExtension(extension)) {
    QByteArray bytes;
    const bool encoded = EncodeJpeg(RowsOf(bitmap), [&bytes](const char* data, std::size_t count) {
      bytes.append(data, static_cast<qsizetype>(count));
      return true;
    });
    return encoded ? std::optional(bytes) : std::nullopt;
  }
  // The bitmap's written pixels are not premultiplied; straight ARGB32 keeps every byte.
  if (extension == u".png") return Encode(ImageOver(bitmap, QImage::Format_ARGB32), "png");
  return std::nullopt;
}

// Logs why the file named `name` was not taken and throws it with the reason.
[[noreturn]] void Refuse(const QString& name, TRefusal reason) {
  LogRefusal(reason.text);
  throw EBitmapLoadingFailed(name, std::move(reason));
}

// What `decode` makes of the bytes (a picture or its grey), or EBitmapLoadingFailed naming `name`;
// the decoders' messages go to the log.
template <class Decode>
auto Decoded(const QByteArray& bytes, const QString& name, const Decode& decode) {
  const QuietMessages quiet;
  std::optional<TRefusal> refusal;
  try {
    auto picture = decode(bytes);
    if (picture) return std::move(*picture);
    refusal = picture.Refusal();
  } catch (const std::bad_alloc&) {
    refusal = TRefusal{TRefusalKind::OutOfMemory, QStringLiteral("out of memory")};
  }
  Refuse(name, std::move(*refusal));
}

// What `decode` makes of bytes that must say by their content what they are.
template <class Decode>
auto DecodedByContent(const QByteArray& bytes, const QString& name, const Decode& decode) {
  if (!IsReadFormat(bytes)) throw ENotAPicture(name);
  return Decoded(bytes, name, decode);
}

// What admits a file to its decoder: a picture's extension in its name, or its content.
enum class Admit { ByExtension, ByContent };

template <class Decode>
auto LoadedFile(const QString& path, Admit admit, const Decode& decode) {
  if (admit == Admit::ByExtension && !IsPictureExtension(ExtensionOf(path)))
    Refuse(path,
           {TRefusalKind::UnreadFormat, QStringLiteral("no decoder for the extension \"%1\"").arg(ExtensionOf(path))});
  const std::unique_ptr<MappedFile> file = MapRegularFile(path, MaxPictureFileBytes);
  if (!file) Refuse(path, {TRefusalKind::BeyondBudget, QStringLiteral("larger than any accepted picture needs")});
  auto picture =
      admit == Admit::ByContent ? DecodedByContent(file->Bytes(), path, decode) : Decoded(file->Bytes(), path, decode);
  if (file->Shrank())
    Refuse(path, {TRefusalKind::Damaged, QStringLiteral("the file became shorter while it was read")});
  return picture;
}

}  // namespace

void LoadFromFile(TBitmap& target, const QString& path) { target = LoadedFile(path, Admit::ByExtension, Decode); }

void LoadFromFileByContent(TBitmap& target, const QString& path) {
  target = LoadedFile(path, Admit::ByContent, Decode);
}

void LoadGrayFromFile(TGrayPlane& target, const QString& path, const TEarlyRows& early) {
  target = LoadedFile(path, Admit::ByExtension, [&early](const QByteArray& bytes) { return DecodeGray(bytes, early); });
}

void LoadGrayFromFileByContent(TGrayPlane& target, const QString& path) {
  target = LoadedFile(path, Admit::ByContent, [](const QByteArray& bytes) { return DecodeGray(bytes); });
}

qint64 AnnouncedPixels(const QString& path) {
  if (path == u"-") return 0;
  const QuietMessages quiet;  // a damaged header is the decoder's to report
  QImageReader reader(path);
  // Qt's TIFF reader lets libtiff print to the terminal; TIFFs are left unestimated.
  if (reader.format() == "tiff") return 0;
  const QSize size = reader.size();
  return size.isValid() ? qint64{size.width()} * size.height() : 0;
}

void LoadFromBytes(TBitmap& target, const QByteArray& bytes, const QString& name) {
  target = DecodedByContent(bytes, name, Decode);
}

void LoadGrayFromBytes(TGrayPlane& target, const QByteArray& bytes, const QString& name) {
  target = DecodedByContent(bytes, name, [](const QByteArray& content) { return DecodeGray(content); });
}

QByteArray EncodeForExtension(const TBitmap& bitmap, const QString& extension) {
  const std::optional<QByteArray> bytes = EncodeFor(bitmap, extension.toLower());
  if (!bytes) throw EBitmapSavingFailed();
  return *bytes;
}

void WriteJpegFile(const TPictureRows& picture, const ByteSink& sink) {
  if (!EncodeJpeg(picture, sink)) throw EBitmapSavingFailed();
}

void WriteTwoColorPngFile(const TPictureRows& picture, TAlphaColor painted, TAlphaColor paper, TAlphaColor line,
                          const ByteSink& sink) {
  if (!EncodeTwoColorPng(picture, painted, paper, line, sink)) throw EBitmapSavingFailed();
}

void SaveToFile(const TBitmap& bitmap, const QString& path) {
  const QByteArray bytes = EncodeForExtension(bitmap, ExtensionOf(path));
  WriteNewFile(path, WriterOf(bytes));
}

void SaveToFile(const TPictureRows& picture, const QString& path) {
  if (!IsJpegExtension(ExtensionOf(path))) {
    TBitmap whole(picture.Width, picture.Height);
    for (int y = 0; y < picture.Height; ++y) std::copy_n(picture.Row(y), picture.Width, whole.ScanLine(y));
    return SaveToFile(whole, path);
  }
  WriteNewFile(path, [&picture](const ByteSink& sink) { WriteJpegFile(picture, sink); });
}

}  // namespace tracella
