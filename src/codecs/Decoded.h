#pragma once

#include <utility>
#include <variant>

#include "Refusal.h"

namespace tracella {

// What a decoder makes of a file: the picture (or its grey), or why it was refused.
template <class T>
class TDecoded {
 public:
  // Implicit, so that a decoder returns either as it is.
  TDecoded(T picture) : value_(std::move(picture)) {}
  TDecoded(TRefusal refusal) : value_(std::move(refusal)) {}

  explicit operator bool() const { return std::holds_alternative<T>(value_); }
  T& operator*() { return std::get<T>(value_); }
  const TRefusal& Refusal() const { return std::get<TRefusal>(value_); }

 private:
  std::variant<T, TRefusal> value_;
};

}  // namespace tracella
