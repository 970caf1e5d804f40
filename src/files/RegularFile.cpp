#include "RegularFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>  // renameat2
#include <cstring>
#include <mutex>
#include <tuple>

#include "FileErrors.h"
#include "LocalPath.h"

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

// Flushes what was written to the disk and closes; 0 or the errno of the failure.
int FlushAndClose(FileDescriptor& file) { return ::fsync(file.get()) != 0 || !file.Close() ? errno : 0; }

// The temporary files being written, for the signal handler below to remove. Slots are never
// freed, only reused, so the handler can walk the list at any moment; a slot's name is written
// only while it is not `held`.
struct TemporarySlot {
  std::atomic<bool> taken{false};
  std::atomic<bool> held{false};
  char name[PATH_MAX] = {};
  TemporarySlot* next = nullptr;
};

std::atomic<TemporarySlot*> temporaries{nullptr};
std::mutex temporarySlotsTaken;
std::atomic<bool> ending{false};  // a signal is removing the temporary files

TemporarySlot* HoldTemporary(const QByteArray& name) {
  const std::lock_guard lock(temporarySlotsTaken);
  TemporarySlot* slot = temporaries.load();
  while (slot != nullptr && slot->taken.load()) slot = slot->next;
  if (slot == nullptr) {
    slot = new TemporarySlot;  // lives as long as the process, for the handler
    slot->next = temporaries.load();
    temporaries = slot;
  }
  slot->taken = true;
  std::memcpy(slot->name, name.constData(), std::min<std::size_t>(name.size() + 1, PATH_MAX));
  slot->name[PATH_MAX - 1] = '\0';
  slot->held = true;
  return slot;
}

void LetGo(TemporarySlot* slot) {
  slot->held = false;
  slot->taken = false;
}

// The signal handler's removal, then the end: a name held before `ending` was set is seen by the
// walk; a file created after it is removed by its writer (CreateTemporaryBeside).
void RemoveTemporariesAndEnd(int signal) {
  ending = true;
  for (TemporarySlot* slot = temporaries.load(); slot != nullptr; slot = slot->next)
    if (slot->held.load()) ::unlink(slot->name);
  ::_exit(128 + signal);
}

// Creates a file that did not exist, beside `target`, named after it, and holds its name for the
// signal handler until `LetGo`.
std::tuple<QByteArray, int, TemporarySlot*> CreateTemporaryBeside(const QByteArray& target) {
  const qsizetype slash = target.lastIndexOf('/');
  const QByteArray folder = target.left(slash + 1);
  const QByteArray name = target.mid(slash + 1).left(200);  // room for the suffix within NAME_MAX
  for (int attempt = 0; attempt < 16; ++attempt) {
    const QByteArray candidate =
        folder + '.' + name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".part";
    TemporarySlot* slot = HoldTemporary(candidate);
    const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const int openError = errno;
    if (fd >= 0 && ending) {
      ::unlink(candidate.constData());
      for (;;) ::pause();  // the handler is ending the process
    }
    if (fd >= 0) return {candidate, fd, slot};
    LetGo(slot);
    if (openError != EEXIST) {
      errno = openError;
      return {candidate, fd, nullptr};
    }
  }
  return {QByteArray(), -1, nullptr};
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

// Writes what `write` makes into a temporary file beside `path` and hands it to `publish`.
void WriteThenPublish(const QString& path, const FileWriter& write,
                      int (*publish)(const QByteArray& temporary, const QByteArray& target)) {
  const QByteArray target = LocalPathBytes(QFileInfo(path).absoluteFilePath());
  auto [temporary, fd, slot] = CreateTemporaryBeside(target);
  if (fd < 0) throw EFCreateError(path, errno);
  FileDescriptor file(fd);
  int error = 0;
  try {
    error = WriteInto(file.get(), write);
  } catch (...) {
    ::unlink(temporary.constData());
    LetGo(slot);
    throw;
  }
  if (error == 0) error = FlushAndClose(file);
  if (error == 0) error = publish(temporary, target);
  if (error != 0) ::unlink(temporary.constData());
  LetGo(slot);
  if (error != 0) throw EFCreateError(path, error);
}

}  // namespace

// The mappings being read, for the bus-error handler below; pictures may load on many threads at
// once. Slots are never freed, only reused, so the handler can walk the list while loads come and
// go; it grows to the most mappings ever read at once.
struct MappingSlot {
  std::atomic<char*> start{nullptr};
  std::atomic<std::size_t> size{0};
  std::atomic<bool> shrank{false};
  MappingSlot* next = nullptr;
};

namespace {

std::atomic<MappingSlot*> mappings{nullptr};
std::mutex slotsTaken;
struct sigaction previousBusAction {};
const std::size_t pageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));

// Reading a mapped page beyond the end of a file that shrank raises SIGBUS. Within one of our
// mappings the page is replaced by one of zeros and the read goes on; any other bus error is the
// previous handler's, which the faulting instruction meets again when it is retried.
void OnBusError(int, siginfo_t* info, void*) {
  char* const at = static_cast<char*>(info->si_addr);
  for (MappingSlot* slot = mappings.load(); slot != nullptr; slot = slot->next) {
    char* const start = slot->start.load();
    if (start == nullptr || at < start || at >= start + slot->size.load()) continue;
    char* const page = start + std::size_t(at - start) / pageSize * pageSize;
    if (::mmap(page, pageSize, PROT_READ, MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) == MAP_FAILED) break;
    slot->shrank = true;
    return;
  }
  ::sigaction(SIGBUS, &previousBusAction, nullptr);
}

// A free slot for the mapping (a new one when all are taken), the handler installed with the
// first; null when the handler could not be installed, and the mapping then goes unguarded.
MappingSlot* TakeSlot(char* start, std::size_t size) {
  const std::lock_guard lock(slotsTaken);
  static const bool installed = [] {
    struct sigaction handler {};
    handler.sa_sigaction = OnBusError;
    handler.sa_flags = SA_SIGINFO;
    sigemptyset(&handler.sa_mask);
    return ::sigaction(SIGBUS, &handler, &previousBusAction) == 0;
  }();
  if (!installed) return nullptr;
  MappingSlot* slot = mappings.load();
  while (slot != nullptr && slot->start.load() != nullptr) slot = slot->next;
  if (slot == nullptr) {
    slot = new MappingSlot;  // lives as long as the process, for the handler
    slot->next = mappings.load();
    mappings = slot;
  }
  slot->size = size;
  slot->shrank = false;
  slot->start = start;
  return slot;
}

}  // namespace

MappedFile::MappedFile(void* address, qint64 size)
    : address_(address), size_(size), bytes_(QByteArray::fromRawData(static_cast<const char*>(address), size)) {
  if (address_ != nullptr) slot_ = TakeSlot(static_cast<char*>(address_), static_cast<std::size_t>(size_));
}

MappedFile::~MappedFile() {
  if (address_ == nullptr) return;
  if (slot_ != nullptr) {
    const std::lock_guard lock(slotsTaken);
    slot_->start = nullptr;
  }
  ::munmap(address_, static_cast<size_t>(size_));
}

bool MappedFile::Shrank() const { return slot_ != nullptr && slot_->shrank; }

std::unique_ptr<MappedFile> MapRegularFile(const QString& path, qint64 maxBytes) {
  const QByteArray name = LocalPathBytes(path);
  FileDescriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) throw EFOpenError(path, errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) throw EFOpenError(path, errno);
  if (!S_ISREG(info.st_mode)) throw EFOpenError(path, OpenErrorOf(info));
  if (info.st_size > maxBytes) return nullptr;
  if (info.st_size == 0) return std::make_unique<MappedFile>(nullptr, 0);
  void* address = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, file.get(), 0);
  if (address == MAP_FAILED) throw EFOpenError(path, errno);
  return std::make_unique<MappedFile>(address, info.st_size);
}

FileWriter WriterOf(const QByteArray& bytes) {
  return [&bytes](const ByteSink& sink) { sink(bytes.constData(), static_cast<std::size_t>(bytes.size())); };
}

int WriteInto(int fd, const FileWriter& write) {
  int error = 0;
  const ByteSink sink = [fd, &error](const char* bytes, std::size_t count) {
    while (count > 0 && error == 0) {
      const ssize_t put = ::write(fd, bytes, count);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        error = put < 0 ? errno : EIO;
        break;
      }
      bytes += put;
      count -= static_cast<std::size_t>(put);
    }
    return error == 0;
  };
  try {
    write(sink);
  } catch (...) {
    if (error == 0) throw;  // else the writer gave up because the sink did
  }
  return error;
}

void WriteNewFile(const QString& path, const FileWriter& write) { WriteThenPublish(path, write, PublishNew); }

void ReplaceFile(const QString& path, const FileWriter& write) { WriteThenPublish(path, write, PublishReplacing); }

void RemoveTemporaryFilesOnSignals() {
  const int interrupts[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction action {};
  action.sa_handler = RemoveTemporariesAndEnd;
  sigemptyset(&action.sa_mask);
  for (const int signal : interrupts) sigaddset(&action.sa_mask, signal);  // one removal at a time
  for (const int signal : interrupts) ::sigaction(signal, &action, nullptr);
}

}  // namespace tracella
