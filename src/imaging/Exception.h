#pragma once

#include <stdexcept>
#include <string>

namespace tracella {

// Base of every error the program reports; what() is the text the user reads (UTF-8).
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A message as the user is shown it: "." appended when the text is not empty and ends in a
// character whose code is above that of "." (UTF-8: a multi-byte character ends above it too).
inline std::string ReportText(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

class EBitmapSizeTooBig : public Exception {
 public:
  EBitmapSizeTooBig() : Exception("Bitmap size too big.") {}
};

}  // namespace tracella
