#pragma once

#include <QByteArray>
#include <optional>

#include "PictureRows.h"

namespace tracella {

// A two-colour picture as a PNG with a palette of two entries, one bit a pixel: pixels equal to
// `painted` become `line`, all others `paper`, each with its alpha (kept in tRNS). Decoded, the
// file gives exactly those colours, unpremultiplied. Nothing when the encoder fails.
std::optional<QByteArray> EncodeTwoColorPng(const TPictureRows& picture, TAlphaColor painted, TAlphaColor paper,
                                            TAlphaColor line);

}  // namespace tracella
