#pragma once

#include <QByteArray>

namespace tracella {

// True when an uncompressed BMP holds every row, or an RLE-compressed one's runs and jumps stay
// within the picture and reach its end; Qt's reader fills what is missing with garbage.
bool BmpHoldsAllRows(const QByteArray& bytes);

}  // namespace tracella
