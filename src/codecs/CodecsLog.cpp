#include "CodecsLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace tracella {

Q_LOGGING_CATEGORY(lcCodecs, "tracella.codecs", QtCriticalMsg)

namespace {

QtMessageHandler previousHandler = nullptr;

// Every message joins what the libraries write to the standard error meanwhile; all of it reaches
// lcCodecs together when the decoding is over.
void ToCodecsLog(QtMsgType, const QMessageLogContext& context, const QString& message) {
  if (!lcCodecs().isWarningEnabled()) return;
  const bool ours = context.category != nullptr && qstrcmp(context.category, lcCodecs().categoryName()) == 0;
  const QByteArray prefix = ours || context.category == nullptr ? QByteArray() : QByteArray(context.category) + ": ";
  std::fprintf(stderr, "%s%s\n", prefix.constData(), message.toLocal8Bit().constData());
}

}  // namespace

void LogRefusal(const QString& reason) { qCWarning(lcCodecs).noquote() << "refused:" << reason; }

// The standard error goes into a pipe that nobody reads meanwhile. It is non-blocking, so a
// library that writes more than the pipe holds loses the rest instead of waiting for ever.
QuietMessages::QuietMessages() {
  previousHandler = qInstallMessageHandler(ToCodecsLog);
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_NONBLOCK | O_CLOEXEC) != 0) return;
  std::fflush(stderr);
  savedError_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
  if (savedError_ < 0 || ::dup2(pipeEnds[1], STDERR_FILENO) < 0) {
    if (savedError_ >= 0) ::close(savedError_);
    savedError_ = -1;
    ::close(pipeEnds[0]);
  } else {
    capturedEnd_ = pipeEnds[0];
  }
  ::close(pipeEnds[1]);
}

QuietMessages::~QuietMessages() {
  qInstallMessageHandler(previousHandler);
  if (savedError_ >= 0) {
    std::fflush(stderr);
    ::dup2(savedError_, STDERR_FILENO);
    ::close(savedError_);
    std::clearerr(stderr);
    QByteArray captured(1 << 16, Qt::Uninitialized);
    const ssize_t got = ::read(capturedEnd_, captured.data(), static_cast<size_t>(captured.size()));
    ::close(capturedEnd_);
    captured.truncate(got > 0 ? got : 0);
    for (const QByteArray& line : captured.split('\n'))
      if (!line.isEmpty()) qCWarning(lcCodecs).noquote() << QString::fromLocal8Bit(line);
  }
}

}  // namespace tracella
