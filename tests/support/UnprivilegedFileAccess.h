#pragma once

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace tracella::test {

// While it lives, this thread's file access is checked as an ordinary user's, so that permission
// tests check something where they run as root (as CI does): a filesystem user other than root
// drops the capabilities that override file permissions, for this thread only. `folder` is opened
// to that user so that only the permission under test stands in the way.
class UnprivilegedFileAccess {
 public:
  explicit UnprivilegedFileAccess(const std::string& folder) : root_(::geteuid() == 0) {
    if (!root_) return;
    ::chmod(folder.c_str(), 0755);
    ::setfsgid(kNobody);
    ::setfsuid(kNobody);
  }
  ~UnprivilegedFileAccess() {
    if (!root_) return;
    ::setfsuid(0);
    ::setfsgid(0);
  }
  UnprivilegedFileAccess(const UnprivilegedFileAccess&) = delete;
  UnprivilegedFileAccess& operator=(const UnprivilegedFileAccess&) = delete;

 private:
  static constexpr unsigned kNobody = 65534;
  bool root_;
};

}  // namespace tracella::test
