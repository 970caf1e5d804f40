#pragma once

#include <QSize>
#include <QString>

namespace tracella::bench {

// Crops `source` to 3:2 about its centre, scales it smoothly to `size` (6000x4000, a 24 MP
// camera's) and writes it as a JPEG of quality 92: a real photograph at a camera's size. False
// with a message on standard error when reading or writing fails.
bool MakePhoto(const QString& target, const QString& source, QSize size);

}  // namespace tracella::bench
