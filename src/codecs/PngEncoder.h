#pragma once

#include "ByteSink.h"
#include "PictureRows.h"

namespace tracella {

// A two-colour picture as a PNG with a palette of two entries, one bit a pixel: pixels equal to
// `painted` become `line`, all others `paper`, each with its alpha (kept in tRNS). Decoded, the
// file gives exactly those colours, unpremultiplied. The file goes into the sink as it is made;
// false when the encoder fails or the sink refuses.
bool EncodeTwoColorPng(const TPictureRows& picture, TAlphaColor painted, TAlphaColor paper, TAlphaColor line,
                       const ByteSink& sink);

}  // namespace tracella
