#pragma once

#include <QByteArray>

namespace tracella {

// False when the file visibly ends or breaks off before its first picture does. Qt's GIF and BMP
// readers fill a cut-off picture with the background or garbage and report success, so their
// files are checked here: a GIF's first picture must end its data blocks, an uncompressed BMP
// must hold every row, and an RLE-compressed BMP's runs and jumps must stay within the picture
// and reach its end. Other formats (`format` as QImageReader names it) fail by themselves and
// pass here.
bool HoldsWholePicture(const QByteArray& format, const QByteArray& bytes);

}  // namespace tracella
