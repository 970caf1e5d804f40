#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "ByteSink.h"

namespace tracella {

struct MappingSlot;

// A regular file's content, mapped read-only: a page is read only when a decoder reaches it, so
// a decoder that gives up early has read little, whatever the file's size. A file that another
// program shortens meanwhile reads as zeros past its new end instead of ending the process with
// SIGBUS, and says so.
class MappedFile {
 public:
  MappedFile(void* address, qint64 size);
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  // The content, valid while this lives.
  const QByteArray& Bytes() const { return bytes_; }

  // True when part of the content could not be read because the file had become shorter.
  bool Shrank() const;

 private:
  void* address_;
  qint64 size_;
  QByteArray bytes_;
  MappingSlot* slot_ = nullptr;  // where the bus-error handler finds it
};

// Maps a regular file. A folder, FIFO, socket or device is refused without reading (a FIFO would
// block and a device never ends): EFOpenError with "Is a directory" for a folder and "Invalid
// argument" for the others; a missing or unreadable file gives EFOpenError with the system's
// text. A file larger than `maxBytes` is not mapped: nullptr.
std::unique_ptr<MappedFile> MapRegularFile(const QString& path, qint64 maxBytes);

// Writes what `write` makes as a new file at `path`, never replacing an existing one: the bytes go
// to a temporary file in the same folder as they are made, are flushed to disk and only then
// published under the name. Any failure leaves no file behind: the writer's own failure is thrown
// as it is, the system's as EFCreateError with its text ("File exists" when the name is taken).
void WriteNewFile(const QString& path, const FileWriter& write);

// As WriteNewFile, but a file already under the name is replaced: the name passes from the old
// file to the new, complete one in one step, so a reader finds one or the other, never a part.
void ReplaceFile(const QString& path, const FileWriter& write);

// From now on SIGINT, SIGTERM and SIGHUP remove the temporary files WriteNewFile and ReplaceFile
// are writing, on every thread, and end the process with exit status 128 + the signal's number.
// Files already published stay.
void RemoveTemporaryFilesOnSignals();

}  // namespace tracella
