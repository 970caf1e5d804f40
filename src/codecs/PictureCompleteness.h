#pragma once

#include <QByteArray>

namespace tracella {

// False when the file visibly ends before its first picture does. Qt's JPEG, GIF and BMP readers
// fill a cut-off picture with grey or garbage and report success, so their files are checked
// here: a JPEG must reach its end marker, a GIF's first picture must end its data blocks, and an
// uncompressed BMP must hold every row. Other formats (`format` as QImageReader names it) fail
// by themselves and pass here.
bool HoldsWholePicture(const QByteArray& format, const QByteArray& bytes);

}  // namespace tracella
