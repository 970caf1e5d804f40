#include "JpegXrDecoder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "DecodeBudget.h"
#include "JpegXrExit.h"
#include "RowSink.h"
#include "WholeTransfer.h"

extern char** environ;

namespace tracella {
namespace {

// The decoder program: beside the running program (the build tree, or wherever both were put),
// else where it is installed.
QByteArray DecoderProgram() {
  const QString beside = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + "/tracella-jxr-decode";
  if (QFileInfo(beside).isExecutable()) return QFile::encodeName(beside);
  return TRACELLA_LIBEXEC_DIR "/tracella-jxr-decode";
}

// Closes the descriptor it holds when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Reset(); }
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// The file's bytes in an unnamed file, for the decoder's standard input.
int BytesAsFile(const QByteArray& bytes) {
  Descriptor file(::memfd_create("tracella-jxr", MFD_CLOEXEC));
  if (file.get() < 0 || !WriteAll(file.get(), bytes.constData(), static_cast<std::size_t>(bytes.size())) ||
      ::lseek(file.get(), 0, SEEK_SET) != 0)
    return -1;
  return file.Release();
}

// Starts the decoder reading `input`, writing into `output`; its process id, or -1 with the
// system's error in `error`.
pid_t StartDecoder(const QByteArray& program, int input, int output, int& error) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  // Nothing of this process's signal handling is the decoder's.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  char* const argv[] = {const_cast<char*>(program.constData()), nullptr};
  pid_t child = -1;
  error = ::posix_spawn(&child, program.constData(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? child : -1;
}

// The picture the decoder writes, its size and then its rows, fitted as the rows arrive; refused
// when any of it is missing or the size is not one the decoder could have made.
TDecoded<TBitmap> ReadFittedPicture(int fd) {
  const TRefusal failed{TRefusalKind::DecoderFailed, QStringLiteral("libjxr could not decode it whole")};
  std::int32_t size[2] = {0, 0};
  if (!ReadAll(fd, size, sizeof size)) return failed;
  const auto [width, height] = size;
  if (const std::optional<TRefusal> refusal = SizeRefusal(width, height)) return *refusal;
  const QSize fitted = FittedSize(QSize(width, height));
  TBitmap bitmap;
  TFittedRows rows(QSize(width, height), fitted, IntoBitmap(bitmap, fitted));
  for (int y = 0; y < height; ++y) {
    if (!ReadAll(fd, rows.Row(y), static_cast<std::size_t>(width) * sizeof(TAlphaColor))) return failed;
    rows.Done(y);
  }
  return bitmap;
}

// Nothing when the decoder ended well, else why it did not.
std::optional<TRefusal> DecoderRefusal(pid_t child) {
  int status = 0;
  pid_t waited = -1;
  do {
    waited = ::waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  const int exit = waited == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (exit == static_cast<int>(TJpegXrExit::Decoded)) return std::nullopt;
  if (exit == static_cast<int>(TJpegXrExit::BeyondBudget))
    return TRefusal{TRefusalKind::BeyondBudget, QStringLiteral("libjxr would need more than the decoding budget")};
  return TRefusal{TRefusalKind::DecoderFailed, QStringLiteral("libjxr could not decode it whole")};
}

}  // namespace

bool IsJpegXr(const QByteArray& bytes) { return bytes.startsWith(QByteArray("II\xBC", 3)); }

TDecoded<TBitmap> DecodeJpegXr(const QByteArray& bytes) {
  // A program of its own, started afresh rather than forked: a fork of this multi-threaded
  // process could inherit a lock held by another thread and hang in libjxr's allocator.
  const Descriptor input(BytesAsFile(bytes));
  int pipe[2];
  if (input.get() < 0 || ::pipe2(pipe, O_CLOEXEC) != 0)
    return TRefusal{TRefusalKind::DecoderFailed, QStringLiteral("no file or pipe to hand it to its decoder")};
  Descriptor output(pipe[0]);
  Descriptor decoderEnd(pipe[1]);
  const QByteArray program = DecoderProgram();
  int error = 0;
  const pid_t child = StartDecoder(program, input.get(), decoderEnd.get(), error);
  if (child < 0)
    return TRefusal{TRefusalKind::DecoderFailed,
                    QStringLiteral("cannot start %1: %2").arg(QFile::decodeName(program), strerror(error))};
  decoderEnd.Reset();
  TDecoded<TBitmap> picture = ReadFittedPicture(output.get());
  output.Reset();  // a decoder still writing stops instead of waiting for a reader
  // A decoder that failed after some rows leaves no half picture behind.
  if (const std::optional<TRefusal> refusal = DecoderRefusal(child)) return *refusal;
  return picture;
}

}  // namespace tracella
