#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "GrayPlane.h"

namespace tracella {

// Every name the sketch command touches passes through here: "-" is standard input or output,
// everything else a path.

// Decodes INPUT to its greys: standard input for "-", otherwise the file (a folder is refused as
// one).
void LoadInput(TGrayPlane& target, const QString& input);

// Writes OUTPUT's bytes: to standard output for "-", otherwise as a new file, or with `replace`
// over an existing one.
void WriteOutput(const QString& output, const QByteArray& bytes, bool replace);

// Makes the folder and any missing folders above it; throws EFolderCreateError.
void MakeFolder(const QString& path);

// The names listed in `from` ("-": standard input), each ended by `separator` (the last one may
// lack it); empty names are skipped.
QStringList ReadNames(const QString& from, char separator);

}  // namespace tracella
