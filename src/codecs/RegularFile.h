#pragma once

#include <QByteArray>
#include <QString>

namespace tracella {

// The whole content of a regular file. A folder, FIFO, socket or device is refused without
// reading (a FIFO would block and a device never ends): EFOpenError with "Is a directory" for a
// folder and "Invalid argument" for the others; a missing or unreadable file gives EFOpenError
// with the system's text. A file larger than `maxBytes` gives EBitmapLoadingFailed.
QByteArray ReadRegularFile(const QString& path, qint64 maxBytes);

// Writes `bytes` as a new file at `path`, never replacing an existing one: the bytes go to a
// temporary file in the same folder, are flushed to disk and only then published under the name.
// Any failure leaves no file behind and gives EFCreateError with the system's text ("File exists"
// when the name is taken).
void WriteNewFile(const QString& path, const QByteArray& bytes);

// As WriteNewFile, but a file already under the name is replaced: the name passes from the old
// file to the new, complete one in one step, so a reader finds one or the other, never a part.
void ReplaceFile(const QString& path, const QByteArray& bytes);

}  // namespace tracella
