#include "CodecsLog.h"

#include <mutex>

namespace tracella {

Q_LOGGING_CATEGORY(lcCodecs, "tracella.codecs", QtCriticalMsg)

namespace {

QtMessageHandler previousHandler = nullptr;
thread_local int decodingHere = 0;  // QuietMessages alive on this thread

// Messages raised on a thread that is decoding a picture go to lcCodecs; all others go on as
// before. Pictures may be decoded on several threads at once, so the routing is decided per
// thread and the handler, once installed, stays.
void ToCodecsLog(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  const bool ours = context.category != nullptr && qstrcmp(context.category, lcCodecs().categoryName()) == 0;
  if (decodingHere == 0 || ours) {
    previousHandler(type, context, message);
    return;
  }
  qCWarning(lcCodecs).noquote() << (context.category != nullptr ? context.category : "default") << message;
}

}  // namespace

void LogRefusal(const QString& reason) { qCWarning(lcCodecs).noquote() << "refused:" << reason; }

QuietMessages::QuietMessages() {
  static std::once_flag installed;
  std::call_once(installed, [] { previousHandler = qInstallMessageHandler(ToCodecsLog); });
  ++decodingHere;
}

QuietMessages::~QuietMessages() { --decodingHere; }

}  // namespace tracella
