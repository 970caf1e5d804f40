#include "SketchFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <memory>

#include "DecodeBudget.h"
#include "FileErrors.h"
#include "LocalPath.h"
#include "PictureFiles.h"
#include "RegularFile.h"

namespace tracella {
namespace {

bool IsStandardStream(const QString& name) { return name == u"-"; }

// Everything up to the end of the stream, or EStreamError; more than `maxBytes` is refused as a
// picture too large.
QByteArray ReadAllOf(int fd, const char* stream, qint64 maxBytes) {
  QByteArray bytes;
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw EStreamError(stream, errno);
    if (got == 0) return bytes;
    if (bytes.size() + got > maxBytes)
      throw EBitmapLoadingFailed(
          QString::fromLatin1(stream),
          {TRefusalKind::BeyondBudget, QStringLiteral("larger than any accepted picture needs")});
    bytes.append(chunk, got);
  }
}

// A names file's content. Read, not mapped: the list may come down a pipe or a FIFO.
QByteArray ContentOf(const QString& path) {
  const int fd = ::open(LocalPathBytes(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EFOpenError(path, errno);
  const std::unique_ptr<const int, void (*)(const int*)> closer(&fd, [](const int* open) { ::close(*open); });
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) throw EFOpenError(path, EISDIR);
  return ReadAllOf(fd, LocalPathBytes(path).constData(), MaxPictureFileBytes);
}

bool IsFolder(const QString& path) {
  struct stat info {};
  return ::stat(LocalPathBytes(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

template <class Picture>
void LoadInputWith(Picture& target, const QString& input,
                   void (*fromBytes)(Picture&, const QByteArray&, const QString&),
                   void (*fromFile)(Picture&, const QString&)) {
  if (IsStandardStream(input))
    return fromBytes(target, ReadAllOf(STDIN_FILENO, "standard input", MaxPictureFileBytes), "standard input");
  // Said before the content is looked at: "photos" is not a picture of an unknown kind.
  if (IsFolder(input)) throw EFOpenError(input, EISDIR);
  fromFile(target, input);
}

}  // namespace

void LoadInput(TBitmap& target, const QString& input) {
  LoadInputWith(target, input, LoadFromBytes, LoadFromFileByContent);
}

void LoadInput(TGrayPlane& target, const QString& input) {
  LoadInputWith(target, input, LoadGrayFromBytes, LoadGrayFromFileByContent);
}

void WriteOutput(const QString& output, const FileWriter& write, bool replace) {
  if (!IsStandardStream(output)) return replace ? ReplaceFile(output, write) : WriteNewFile(output, write);
  if (const int error = WriteInto(STDOUT_FILENO, write); error != 0) throw EStreamError("standard output", error);
}

void MakeFolder(const QString& path) {
  const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  QString made;
  for (const QString& part : absolute.split(u'/', Qt::SkipEmptyParts)) {
    made += u'/' + part;
    if (::mkdir(LocalPathBytes(made).constData(), 0777) == 0 || (errno == EEXIST && IsFolder(made))) continue;
    throw EFolderCreateError(path, errno == EEXIST ? ENOTDIR : errno);
  }
}

QStringList ReadNames(const QString& from, char separator) {
  const QByteArray bytes =
      IsStandardStream(from) ? ReadAllOf(STDIN_FILENO, "standard input", MaxPictureFileBytes) : ContentOf(from);
  QStringList names;
  for (QByteArray name : bytes.split(separator)) {
    if (separator == '\n' && name.endsWith('\r')) name.chop(1);
    if (!name.isEmpty()) names << LocalPathText(name);
  }
  return names;
}

QStringList FileIdentities(const QString& path) {
  QStringList identities;
  struct stat info {};
  if (::stat(LocalPathBytes(path).constData(), &info) == 0)
    identities << QStringLiteral("%1:%2").arg(info.st_dev).arg(info.st_ino);
  const QFileInfo file(QFileInfo(path).absoluteFilePath());
  const QString folder = QFileInfo(file.path()).canonicalFilePath();
  identities << (folder.isEmpty() ? QDir::cleanPath(file.filePath()) : QDir(folder).filePath(file.fileName()));
  return identities;
}

}  // namespace tracella
