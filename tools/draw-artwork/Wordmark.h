#pragma once

#include <QImage>
#include <QString>

// The word "Tracella" in dark lettering with a soft shadow, on a transparent 332 x 117 picture.
// fontFile is a TrueType file loaded explicitly, so the result does not depend on the machine.
QImage DrawWordmark(const QString& fontFile);
