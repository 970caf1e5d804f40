#pragma once

#include <QLoggingCategory>
#include <QString>

namespace tracella {

// "tracella.codecs", off by default: why a file was refused, and what the decoding libraries
// said about it. QT_LOGGING_RULES="tracella.codecs=true" turns it on.
Q_DECLARE_LOGGING_CATEGORY(lcCodecs)

// Records why the picture was not taken.
void LogRefusal(const QString& reason);

// While it lives, every Qt message raised on this thread (the image plugins' warnings among
// them) goes to lcCodecs instead of the terminal. libjpeg, libpng and libtiff report through
// handlers of the decoders' own, which log there too.
class QuietMessages {
 public:
  QuietMessages();
  QuietMessages(const QuietMessages&) = delete;
  QuietMessages& operator=(const QuietMessages&) = delete;
  ~QuietMessages();
};

}  // namespace tracella
