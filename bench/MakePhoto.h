#pragma once

#include <QString>

namespace tracella::bench {

// Crops `source` to 3:2 about its centre, scales it smoothly to 6000x4000 and writes it as a
// JPEG of quality 92: a real photograph at the size of a 24 MP camera. False with a message on
// standard error when reading or writing fails.
bool MakePhoto(const QString& target, const QString& source);

}  // namespace tracella::bench
