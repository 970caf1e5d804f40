#pragma once

#include <QString>
#include <QStringList>

#include "Bitmap.h"
#include "ByteSink.h"
#include "GrayPlane.h"

namespace tracella {

// Every name the sketch command touches passes through here: "-" is standard input or output,
// everything else a path.

// Decodes INPUT, by its content, to its picture or only its greys: standard input for "-",
// otherwise the file (a folder is refused as one).
void LoadInput(TBitmap& target, const QString& input);
void LoadInput(TGrayPlane& target, const QString& input);

// Writes OUTPUT's bytes as `write` makes them: to standard output for "-", otherwise as a new
// file, or with `replace` over an existing one.
void WriteOutput(const QString& output, const FileWriter& write, bool replace);

// Makes the folder and any missing folders above it; throws EFolderCreateError.
void MakeFolder(const QString& path);

// The names listed in `from` ("-": standard input), each ended by `separator` (the last one may
// lack it; a line may end in "\r\n"); empty names are skipped. `from` may be a pipe or a FIFO.
QStringList ReadNames(const QString& from, char separator);

// Keys that two names of one file share: its device and inode where it exists, and its path with
// the links in its folder resolved.
QStringList FileIdentities(const QString& path);

}  // namespace tracella
