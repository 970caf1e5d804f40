#include "RunInChild.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace tracella {

bool RunInChild(const std::function<bool()>& work, unsigned seconds) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // The child dies quietly by the signal: no crash handler of the parent's runs here.
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGALRM}) std::signal(signal, SIG_DFL);
    ::alarm(seconds);
    bool done = false;
    try {
      done = work();
    } catch (...) {
    }
    ::_exit(done ? 0 : 1);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tracella
