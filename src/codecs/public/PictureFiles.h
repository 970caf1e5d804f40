#pragma once

#include <QString>
#include <array>

#include "Bitmap.h"
#include "ByteSink.h"
#include "EarlyRows.h"
#include "FileErrors.h"
#include "GrayPlane.h"
#include "PictureRows.h"

namespace tracella {

// The extensions of the pictures LoadFromFile opens, in lower case. The open dialog's filter, the
// sketch command's usage text and the fuzzer follow this list.
inline constexpr std::array<const char*, 9> PictureExtensions{".bmp", ".jpg",  ".jpeg", ".png", ".gif",
                                                              ".tif", ".tiff", ".ico",  ".wmp"};

// Decodes the first picture of a file named with one of PictureExtensions (in any case; the
// content decides the format) into premultiplied BGRA,
// upright and fitted within MaxBitmapSize. Throws EBitmapLoadingFailed (another extension, or
// content that cannot be decoded whole; its Reason() says why) or EFOpenError; `target` changes
// only on success.
void LoadFromFile(TBitmap& target, const QString& path);

// As LoadFromFile, whatever the file's name: the content alone says what it is, and content of
// no format read here gives ENotAPicture.
void LoadFromFileByContent(TBitmap& target, const QString& path);

// The pixels the picture file's header announces, read by content without decoding; 0 when it
// cannot tell (standard input "-" and TIFF included).
qint64 AnnouncedPixels(const QString& path);

// Decodes a picture file's content as LoadFromFileByContent does; `name` is the one the messages
// give.
void LoadFromBytes(TBitmap& target, const QByteArray& bytes, const QString& name);

// The grey (green channel, one byte a pixel) of the picture LoadFromFile, LoadFromFileByContent
// and LoadFromBytes would decode, with the same failures. JPEG, plain PNG, TIFF, GIF and the
// bit-field and RLE BMPs are decoded row by row straight into it and never held whole; the other
// formats are decoded whole and let go once reduced to their grey. `early` may be shown the top
// rows before the rest are decoded.
void LoadGrayFromFile(TGrayPlane& target, const QString& path, const TEarlyRows& early = {});
void LoadGrayFromFileByContent(TGrayPlane& target, const QString& path);
void LoadGrayFromBytes(TGrayPlane& target, const QByteArray& bytes, const QString& name);

// The bitmap as the content of a file named with `extension` (".jpg", ".jpeg" or ".png", any
// case), encoded as SaveToFile encodes it. Throws EBitmapSavingFailed.
QByteArray EncodeForExtension(const TBitmap& bitmap, const QString& extension);

// A picture handed over row by row into the sink as a JPEG file's content, encoded as the rows
// come, as SaveToFile encodes a bitmap. Throws EBitmapSavingFailed.
void WriteJpegFile(const TPictureRows& picture, const ByteSink& sink);

// A two-colour picture handed over row by row into the sink as a PNG file's content with a
// palette of two entries, one bit a pixel: pixels equal to `painted` decode as `line`, all others
// as `paper`, alpha included. Throws EBitmapSavingFailed.
void WriteTwoColorPngFile(const TPictureRows& picture, TAlphaColor painted, TAlphaColor paper, TAlphaColor line,
                          const ByteSink& sink);

// Writes the bitmap as a new file in the format of the name's extension: ".jpg" or ".jpeg" as
// JPEG at quality 75 without alpha, ".png" as PNG holding the pixels exactly as stored, alpha
// included. Never replaces a file and leaves nothing behind on failure. Throws
// EBitmapSavingFailed (another extension, or the encoder failed) or EFCreateError.
void SaveToFile(const TBitmap& bitmap, const QString& path);

// The same for a picture handed over row by row; a JPEG is encoded into the file as the rows
// come, so neither the picture nor the file is held whole (a PNG picture still is).
void SaveToFile(const TPictureRows& picture, const QString& path);

}  // namespace tracella
