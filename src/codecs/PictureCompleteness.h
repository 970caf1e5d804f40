#pragma once

#include <QByteArray>

namespace tracella {

// False when the file visibly ends or breaks off before its first picture does. Qt's BMP reader
// fills a cut-off picture with garbage and reports success, so its files are checked here: a BMP
// must hold every row. Other formats (`format` as QImageReader names it) fail by themselves and
// pass here.
bool HoldsWholePicture(const QByteArray& format, const QByteArray& bytes);

}  // namespace tracella
