#include "SketchFiles.h"

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
    if (bytes.size() + got > maxBytes) throw EBitmapLoadingFailed(QString::fromLatin1(stream));
    bytes.append(chunk, got);
  }
}

void WriteAllTo(int fd, const char* stream, const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) throw EStreamError(stream, errno);
    done += put;
  }
}

// A names file's content, copied out of its mapping.
QByteArray ContentOf(const QString& path) {
  const std::unique_ptr<MappedFile> file = MapRegularFile(path, MaxPictureFileBytes);
  return {file->Bytes().constData(), file->Bytes().size()};
}

bool IsFolder(const QString& path) {
  struct stat info {};
  return ::stat(LocalPathBytes(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

void LoadInput(TGrayPlane& target, const QString& input) {
  if (IsStandardStream(input))
    return LoadGrayFromBytes(target, ReadAllOf(STDIN_FILENO, "standard input", MaxPictureFileBytes), "standard input");
  // Said before the name's extension is looked at: "photos" is not a picture of an unknown kind.
  if (IsFolder(input)) throw EFOpenError(input, EISDIR);
  LoadGrayFromFile(target, input);
}

void WriteOutput(const QString& output, const QByteArray& bytes, bool replace) {
  if (IsStandardStream(output)) return WriteAllTo(STDOUT_FILENO, "standard output", bytes);
  if (replace) return ReplaceFile(output, bytes);
  WriteNewFile(output, bytes);
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
  for (const QByteArray& name : bytes.split(separator))
    if (!name.isEmpty()) names << LocalPathText(name);
  return names;
}

}  // namespace tracella
