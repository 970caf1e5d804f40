#include "Guard.h"

#include <utility>

namespace tracella {

namespace {
FailureReporter& Reporter() {
  static FailureReporter reporter;
  return reporter;
}
}  // namespace

void SetFailureReporter(FailureReporter reporter) { Reporter() = std::move(reporter); }

void Guarded(const std::function<void()>& call) noexcept {
  try {
    call();
  } catch (...) {
    if (!Reporter()) std::terminate();  // nothing installed to report it: end loudly
    Reporter()(std::current_exception());
  }
}

}  // namespace tracella
