#pragma once
#include <string>

namespace platform {

// An exclusive lock on a file (made 0600 when missing), held until the object goes or
// the process ends in any way: the kernel drops it with the last descriptor, so a
// killed program never leaves it behind. Programs we start do not inherit it.
class ExclusiveFileLock {
 public:
  enum class Outcome {
    kTaken,
    kHeldElsewhere,  // another open of the file holds it, in this process or another
    kUnavailable,    // the file can be neither made nor opened
  };

  ExclusiveFileLock() = default;
  ~ExclusiveFileLock();
  ExclusiveFileLock(const ExclusiveFileLock&) = delete;
  ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

  // One try, without waiting.
  Outcome Take(const std::string& path);

 private:
  int fd_ = -1;
};

}  // namespace platform
