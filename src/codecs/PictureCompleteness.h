#pragma once

#include <QByteArray>

namespace tracella {

// False when the file visibly ends before its first picture does. Qt's JPEG, GIF and BMP readers
// fill a cut-off picture with grey or garbage and report success, so their files are checked
// here: a JPEG must reach its end marker, a GIF's first picture must end its data blocks, and an
// uncompressed BMP must hold every row. Other formats (`format` as QImageReader names it) fail
// by themselves and pass here.
bool HoldsWholePicture(const QByteArray& format, const QByteArray& bytes);

// True when libjpeg keeps the coefficients of the whole picture at its full size while decoding
// (a progressive JPEG, or one in several scans), however small the size asked for: memory for
// every pixel of the file, zeroed before the first scan, so a tiny file can claim gigabytes.
bool JpegKeepsWholeCoefficients(const QByteArray& bytes);

}  // namespace tracella
