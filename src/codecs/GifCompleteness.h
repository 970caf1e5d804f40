#pragma once

#include <QByteArray>

namespace tracella {

// True when the GIF's first picture ends its data blocks and its LZW codes cover every pixel of
// its frame; Qt's reader fills what is missing with the background and reports success.
bool GifHoldsFirstPicture(const QByteArray& bytes);

}  // namespace tracella
