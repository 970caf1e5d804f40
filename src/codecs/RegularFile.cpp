#include "RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>  // renameat2

#include "FileErrors.h"

namespace tracella {
namespace {

// Closes the descriptor it holds when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (it can report a delayed write error).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

int OpenErrorOf(const struct stat& info) { return S_ISDIR(info.st_mode) ? EISDIR : EINVAL; }

// Reads up to `size` bytes; stops early when the file turned out shorter.
QByteArray ReadUpTo(int fd, qint64 size, const QString& path) {
  QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
  qint64 done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, bytes.data() + done, static_cast<size_t>(size - done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw EFOpenError(path, errno);
    if (got == 0) break;
    done += got;
  }
  bytes.truncate(static_cast<qsizetype>(done));
  return bytes;
}

// Writes every byte, flushes it to the disk and closes; 0 or the errno of the first failure.
int WriteFlushAndClose(FileDescriptor& file, const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(file.get(), bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return EIO;
    done += put;
  }
  if (::fsync(file.get()) != 0 || !file.Close()) return errno;
  return 0;
}

// Creates a file that did not exist, beside `target`, named after it.
std::pair<QByteArray, int> CreateTemporaryBeside(const QByteArray& target) {
  const qsizetype slash = target.lastIndexOf('/');
  const QByteArray folder = target.left(slash + 1);
  const QByteArray name = target.mid(slash + 1).left(200);  // room for the suffix within NAME_MAX
  for (int attempt = 0; attempt < 16; ++attempt) {
    const QByteArray candidate =
        folder + '.' + name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".part";
    const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return {candidate, fd};
  }
  return {QByteArray(), -1};
}

// Gives the temporary file its final name unless that name is taken. renameat2 does it in one
// step; file systems without it get link + unlink, which is just as exclusive.
int PublishNew(const QByteArray& temporary, const QByteArray& target) {
  if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  if (::link(temporary.constData(), target.constData()) != 0) return errno;
  ::unlink(temporary.constData());
  return 0;
}

// rename swaps the name over to the new file in one step.
int PublishReplacing(const QByteArray& temporary, const QByteArray& target) {
  return ::rename(temporary.constData(), target.constData()) == 0 ? 0 : errno;
}

// Writes the bytes to a temporary file beside `path` and hands it to `publish`.
void WriteThenPublish(const QString& path, const QByteArray& bytes,
                      int (*publish)(const QByteArray& temporary, const QByteArray& target)) {
  const QByteArray target = QFile::encodeName(QFileInfo(path).absoluteFilePath());
  auto [temporary, fd] = CreateTemporaryBeside(target);
  if (fd < 0) throw EFCreateError(path, errno);
  FileDescriptor file(fd);
  int error = WriteFlushAndClose(file, bytes);
  if (error == 0) error = publish(temporary, target);
  if (error != 0) {
    ::unlink(temporary.constData());
    throw EFCreateError(path, error);
  }
}

}  // namespace

QByteArray ReadRegularFile(const QString& path, qint64 maxBytes) {
  const QByteArray name = QFile::encodeName(path);
  FileDescriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) throw EFOpenError(path, errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) throw EFOpenError(path, errno);
  if (!S_ISREG(info.st_mode)) throw EFOpenError(path, OpenErrorOf(info));
  if (info.st_size > maxBytes) throw EBitmapLoadingFailed(path);
  return ReadUpTo(file.get(), info.st_size, path);
}

void WriteNewFile(const QString& path, const QByteArray& bytes) { WriteThenPublish(path, bytes, PublishNew); }

void ReplaceFile(const QString& path, const QByteArray& bytes) { WriteThenPublish(path, bytes, PublishReplacing); }

}  // namespace tracella
