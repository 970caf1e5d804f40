// Saving never replaces a file and never leaves a partial one: not when another saver or another
// program takes the name at the same moment, not on a full disk, not in a read-only folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "PictureFiles.h"
#include "RandomImage.h"

namespace tracella {
namespace {

class SafeSavingTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QStringList Entries(const QString& folder) const {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  }

  // Mounts a file system of `type` on a new folder `name`; empty when this machine does not let
  // the test mount (not root, or no room for mounts in its container).
  QString Mount(const QString& name, const char* type, const char* source, unsigned long flags, const char* options) {
    QString target = Path(name);
    QDir().mkpath(target);
    if (::mount(source, QFile::encodeName(target).constData(), type, flags, options) != 0) return {};
    mounted_.push_back(target);
    return target;
  }

  void TearDown() override {
    for (const QString& target : mounted_) ::umount2(QFile::encodeName(target).constData(), MNT_DETACH);
  }

  QTemporaryDir dir_;
  std::vector<QString> mounted_;
};

std::string CreateMessage(const QString& path, const char* reason) {
  return ("Cannot create file \"" + path + "\". " + reason).toStdString();
}

// The message of the EFCreateError that `save` throws; "" when it did not throw.
std::string CreateFailure(const std::function<void()>& save) {
  try {
    save();
  } catch (const EFCreateError& error) {
    return error.what();
  }
  return {};
}

TEST_F(SafeSavingTest, OfManySaversRacingForOneNameExactlyOneWinsAndNothingElseIsLeft) {
  const TBitmap sketch = RandomImage(64, 48, 7);
  constexpr int kSavers = 8, kRounds = 25;
  for (int round = 0; round < kRounds; ++round) {
    // In odd rounds another program races too, creating the name with content of its own.
    const bool withOtherProgram = round % 2 == 1;
    const QString target = Path(QString("race-%1.jpg").arg(round));
    std::atomic<int> ready{0}, created{0};
    std::atomic<bool> otherWon{false};
    std::vector<std::string> failures(kSavers);
    const int participants = kSavers + (withOtherProgram ? 1 : 0);
    std::vector<std::thread> threads;
    threads.reserve(std::size_t(participants));
    const auto startTogether = [&] {
      ++ready;
      while (ready < participants) std::this_thread::yield();
    };
    for (int i = 0; i < kSavers; ++i) {
      threads.emplace_back([&, i] {
        startTogether();
        failures[i] = CreateFailure([&] { SaveToFile(sketch, target); });
        if (failures[i].empty()) ++created;
      });
    }
    if (withOtherProgram) {
      threads.emplace_back([&] {
        startTogether();
        const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
          otherWon = ::write(fd, "mine", 4) == 4;
          ::close(fd);
        }
      });
    }
    for (std::thread& thread : threads) thread.join();

    SCOPED_TRACE(target.toStdString());
    EXPECT_EQ(created + (otherWon ? 1 : 0), 1);
    for (const std::string& failure : failures) {
      if (!failure.empty()) {
        EXPECT_EQ(failure, CreateMessage(target, "File exists"));
      }
    }
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    if (otherWon) {
      EXPECT_EQ(content, "mine");
    } else {
      EXPECT_EQ(QImage::fromData(content, "jpeg").size(), QSize(64, 48));
    }
  }
  EXPECT_EQ(Entries(dir_.path()).size(), kRounds)
      << "temporary files were left: " << Entries(dir_.path()).join(' ').toStdString();
}

TEST_F(SafeSavingTest, AFullDiskLeavesNoFileBehind) {
  const TBitmap noise = RandomImage(400, 400, 3);  // a JPEG of noise is far larger than 64 KiB
  // Encoded whole before writing, or streamed into the file as the rows are encoded.
  const std::pair<const char*, std::function<void(const QString&)>> savers[] = {
      {"whole", [&](const QString& target) { SaveToFile(noise, target); }},
      {"streamed", [&](const QString& target) { SaveToFile(RowsOf(noise), target); }}};
  const QString small = Mount("small-disk", "tmpfs", "tmpfs", 0, "size=64k");
  for (const auto& saver : savers) {
    SCOPED_TRACE(saver.first);
    const std::function<void(const QString&)>& save = saver.second;
    if (!small.isEmpty()) {
      const QString target = small + "/sketch.jpg";
      EXPECT_EQ(CreateFailure([&] { save(target); }), CreateMessage(target, "No space left on device"));
      EXPECT_EQ(Entries(small), QStringList());
    }
    // Where mounting is not allowed, a file size limit fails the writes the same way. It is set
    // for this process only while it saves (a forked child could not use Qt's conversion threads).
    const QString target = Path("limited.jpg");
    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{rlim_t{16} * 1024, original.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const std::string failure = CreateFailure([&] { save(target); });
    ::setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(failure, CreateMessage(target, "File too large"));
    EXPECT_EQ(Entries(dir_.path()).filter("limited"), QStringList());
  }
  if (small.isEmpty()) GTEST_SKIP() << "tmpfs could not be mounted here; only the file size limit was tried";
}

TEST_F(SafeSavingTest, AFolderThatCannotBeWrittenGivesTheCannotCreateMessage) {
  const TBitmap sketch = RandomImage(8, 8, 1);
  // /sys refuses new files even to root.
  EXPECT_EQ(CreateFailure([&] { SaveToFile(sketch, "/sys/tracella-sketch.jpg"); }),
            CreateMessage("/sys/tracella-sketch.jpg", "Permission denied"));
  QDir().mkpath(Path("read-only"));
  const QString bound = Mount("read-only", nullptr, QFile::encodeName(Path("read-only")).constData(), MS_BIND, nullptr);
  if (bound.isEmpty() ||
      ::mount(nullptr, QFile::encodeName(bound).constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
    GTEST_SKIP() << "a read-only bind mount is not allowed here";
  const QString target = bound + "/sketch.jpg";
  EXPECT_EQ(CreateFailure([&] { SaveToFile(sketch, target); }), CreateMessage(target, "Read-only file system"));
  EXPECT_EQ(Entries(bound), QStringList());
}

}  // namespace
}  // namespace tracella
