#pragma once

#include <QString>

#include "Exception.h"
#include "Refusal.h"

namespace tracella {

// The errors of the file layer, each with the message the user reads.

// The message names the file alone; why it was refused travels beside it.
class EBitmapLoadingFailed : public Exception {
 public:
  EBitmapLoadingFailed(const QString& path, TRefusal reason);  // the path as given
  const TRefusal& Reason() const { return reason_; }

 private:
  TRefusal reason_;
};

// Content of no format that is read, whatever the name says.
class ENotAPicture : public Exception {
 public:
  explicit ENotAPicture(const QString& path);  // the path as given
};

class EFOpenError : public Exception {
 public:
  EFOpenError(const QString& path, int errorNumber);  // path made absolute, the system's text
};

class EFCreateError : public Exception {
 public:
  EFCreateError(const QString& path, int errorNumber);
};

class EBitmapSavingFailed : public Exception {
 public:
  EBitmapSavingFailed();
};

class EFolderCreateError : public Exception {
 public:
  EFolderCreateError(const QString& path, int errorNumber);  // path made absolute, the system's text
};

// Standard input or output failed (the sketch command's "-").
class EStreamError : public Exception {
 public:
  EStreamError(const char* stream, int errorNumber);  // "standard input" or "standard output"
};

}  // namespace tracella
