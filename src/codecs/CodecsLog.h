#pragma once

#include <QLoggingCategory>
#include <QString>

namespace tracella {

// "tracella.codecs", off by default: why a file was refused, and what the decoding libraries
// said about it. QT_LOGGING_RULES="tracella.codecs=true" turns it on.
Q_DECLARE_LOGGING_CATEGORY(lcCodecs)

// Records why the picture was not taken.
void LogRefusal(const QString& reason);

// While it lives, every Qt message (the image plugins' warnings among them) and whatever the
// decoding libraries write to the standard error (libpng's and libtiff's own complaints) go to
// lcCodecs instead of the terminal; the previous handler and stream come back afterwards.
class QuietMessages {
 public:
  QuietMessages();
  QuietMessages(const QuietMessages&) = delete;
  QuietMessages& operator=(const QuietMessages&) = delete;
  ~QuietMessages();

 private:
  int savedError_ = -1;   // the standard error as it was
  int capturedEnd_ = -1;  // where what was written to it meanwhile can be read
};

}  // namespace tracella
