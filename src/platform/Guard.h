#pragma once

#include <exception>
#include <functional>

namespace tracella {

// Where Qt calls into our code (event overrides, menu actions) the call runs through Guarded, so
// no C++ exception unwinds through Qt's frames; an escaping exception goes to the reporter that
// the application installed. Calls between our own handlers stay plain calls.
using FailureReporter = std::function<void(std::exception_ptr)>;

void SetFailureReporter(FailureReporter reporter);

void Guarded(const std::function<void()>& call) noexcept;

}  // namespace tracella
