#pragma once

#include "ByteSink.h"
#include "PictureRows.h"

namespace tracella {

// The picture as a baseline JPEG file at quality 75 with 2x2 chroma subsampling and 96 dots per
// inch, the colour channels as stored and the alpha byte dropped: what Qt's JPEG writer makes of
// the same pixels (Qt takes the dots per inch from the screen), fed to libjpeg-turbo row by row.
// The file goes into the sink as it is made; false when the encoder fails or the sink refuses.
bool EncodeJpeg(const TPictureRows& picture, const ByteSink& sink);

}  // namespace tracella
