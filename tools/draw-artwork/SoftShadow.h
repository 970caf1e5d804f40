#pragma once

#include <QImage>

// A blurred copy of the picture's alpha channel in the given colour (box blur, three passes,
// which is close to a Gaussian of the same width).
QImage SoftShadow(const QImage& picture, int radius, QColor colour);
