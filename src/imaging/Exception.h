#pragma once

#include <stdexcept>
#include <string>

namespace tracella {

// Base of every error the program reports; what() is the text the user reads (UTF-8).
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EBitmapSizeTooBig : public Exception {
 public:
  EBitmapSizeTooBig() : Exception("Bitmap size too big.") {}
};

}  // namespace tracella
