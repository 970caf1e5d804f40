#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace tracella {

// All `size` bytes written to `fd`, across short writes and interruptions; false on an error or a
// closed end.
inline bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* at = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t put = ::write(fd, at, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    at += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

// All `size` bytes read from `fd` the same way; false on an error or an early end.
inline bool ReadAll(int fd, void* data, std::size_t size) {
  char* at = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t got = ::read(fd, at, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    at += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace tracella
