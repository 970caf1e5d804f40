#pragma once

#include <QLoggingCategory>
#include <QString>

namespace tracella {

// "tracella.codecs", off by default: why a file was refused, and what the decoding libraries
// said about it. QT_LOGGING_RULES="tracella.codecs=true" turns it on.
Q_DECLARE_LOGGING_CATEGORY(lcCodecs)

// Records why the picture was not taken.
void LogRefusal(const QString& reason);

// While it lives, every Qt message (the image plugins' and libraries' warnings among them) goes
// to lcCodecs instead of the terminal; the previous handler comes back afterwards.
class QuietMessages {
 public:
  QuietMessages();
  QuietMessages(const QuietMessages&) = delete;
  QuietMessages& operator=(const QuietMessages&) = delete;
  ~QuietMessages();
};

}  // namespace tracella
