#pragma once

#include <functional>

namespace tracella {

// Runs `work` in a forked child process and tells whether it returned true there. A crash, an
// exception or a run longer than `seconds` in the child gives false and leaves this process as
// it was. Only this thread lives on in the child: `work` must not wait for others (Qt's thread
// pool included).
bool RunInChild(const std::function<bool()>& work, unsigned seconds);

}  // namespace tracella
