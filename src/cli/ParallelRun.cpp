#include "ParallelRun.h"

#include <sched.h>

#include <QFile>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tracella {
namespace {

using Clock = std::chrono::steady_clock;

const QString kClearLine = QStringLiteral("\r\x1b[K");

QString Duration(qint64 seconds) {
  const auto twoDigits = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
  if (seconds >= 3600)
    return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(twoDigits(seconds / 60 % 60), twoDigits(seconds % 60));
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(twoDigits(seconds % 60));
}

// "[done/total]", then once something is done "R/s, M:SS left".
QString ProgressLine(qsizetype done, qsizetype total, Clock::duration elapsed) {
  QString line = QStringLiteral("[%1/%2]").arg(done).arg(total);
  const double seconds = std::chrono::duration<double>(elapsed).count();
  if (done == 0 || seconds <= 0) return line;
  const double rate = static_cast<double>(done) / seconds;
  const qint64 left = std::llround(static_cast<double>(total - done) / rate);
  return line + QStringLiteral(" %1/s, %2 left").arg(rate, 0, 'f', rate < 10 ? 1 : 0).arg(Duration(left));
}

// What the workers share with the thread that reports.
struct Outcomes {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::optional<QString>> messages;  // by index; empty until that work has ended
  qsizetype done = 0;
};

}  // namespace

bool RunInParallel(qsizetype count, int workers, const std::function<QString(qsizetype)>& work, QTextStream& errors,
                   bool progress) {
  Outcomes outcomes;
  outcomes.messages.resize(static_cast<std::size_t>(count));
  std::atomic<qsizetype> next{0};
  std::vector<std::jthread> threads;
  for (qsizetype t = 0; t < std::min<qsizetype>(workers, count); ++t) {
    threads.emplace_back([&] {
      for (qsizetype i = next++; i < count; i = next++) {
        QString message = work(i);
        const std::lock_guard lock(outcomes.mutex);
        outcomes.messages[static_cast<std::size_t>(i)] = std::move(message);
        ++outcomes.done;
        outcomes.changed.notify_one();
      }
    });
  }

  const Clock::time_point start = Clock::now();
  bool failed = false;
  qsizetype reported = 0;
  std::unique_lock lock(outcomes.mutex);
  for (;;) {
    for (; reported < count && outcomes.messages[static_cast<std::size_t>(reported)]; ++reported) {
      const QString& message = *outcomes.messages[static_cast<std::size_t>(reported)];
      if (message.isEmpty()) continue;
      errors << (progress ? kClearLine : QString()) << message << Qt::endl;
      failed = true;
    }
    if (progress) errors << kClearLine << ProgressLine(outcomes.done, count, Clock::now() - start) << Qt::flush;
    if (reported == count) break;
    // Woken by every end of a work, and each second for the rate and time left.
    outcomes.changed.wait_for(lock, std::chrono::seconds(1));
  }
  if (progress) errors << kClearLine << Qt::flush;
  return !failed;
}

int ProcessorCount() {
  cpu_set_t allowed;
  if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0) return std::max(1, CPU_COUNT(&allowed));
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

qint64 AvailableMemoryBytes() {
  QFile meminfo(QStringLiteral("/proc/meminfo"));
  if (!meminfo.open(QIODevice::ReadOnly)) return -1;
  for (QByteArray line = meminfo.readLine(); !line.isEmpty(); line = meminfo.readLine()) {
    if (!line.startsWith("MemAvailable:")) continue;
    bool ok = false;
    const qint64 kilobytes = line.mid(13).trimmed().split(' ').first().toLongLong(&ok);
    return ok ? kilobytes * 1024 : -1;
  }
  return -1;
}

}  // namespace tracella
