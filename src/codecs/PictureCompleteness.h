#pragma once

#include <QByteArray>

namespace tracella {

// False when the file visibly ends or breaks off before its first picture does. Qt's BMP reader
// fills a cut-off picture with garbage and reports success, so its files are checked here: an
// uncompressed BMP must hold every row, and an RLE-compressed BMP's runs and jumps must stay
// within the picture and reach its end. Other formats (`format` as QImageReader names it) fail
// by themselves and pass here.
bool HoldsWholePicture(const QByteArray& format, const QByteArray& bytes);

}  // namespace tracella
