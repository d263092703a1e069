#include "platform/ExclusiveFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

ExclusiveFileLock::~ExclusiveFileLock() {
  if (fd_ >= 0) ::close(fd_);
}

ExclusiveFileLock::Outcome ExclusiveFileLock::Take(const std::string& path) {
  if (fd_ >= 0) return Outcome::kTaken;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  // A lock file left from a time the directory could be written still locks when read only.
  if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return Outcome::kUnavailable;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? Outcome::kHeldElsewhere : Outcome::kUnavailable;
  }
  fd_ = fd;
  return Outcome::kTaken;
}

}  // namespace platform
