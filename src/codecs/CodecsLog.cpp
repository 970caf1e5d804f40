#include "CodecsLog.h"

namespace tracella {

Q_LOGGING_CATEGORY(lcCodecs, "tracella.codecs", QtCriticalMsg)

namespace {

QtMessageHandler previousHandler = nullptr;

void ToCodecsLog(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (context.category != nullptr && qstrcmp(context.category, lcCodecs().categoryName()) == 0) {
    previousHandler(type, context, message);
    return;
  }
  qCWarning(lcCodecs).noquote() << (context.category ? context.category : "default") << message;
}

}  // namespace

void LogRefusal(const QString& reason) { qCWarning(lcCodecs).noquote() << "refused:" << reason; }

QuietMessages::QuietMessages() { previousHandler = qInstallMessageHandler(ToCodecsLog); }

QuietMessages::~QuietMessages() { qInstallMessageHandler(previousHandler); }

}  // namespace tracella
