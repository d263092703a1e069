#pragma once
#include <string>

namespace platform {

// Opens a program that is to run under our account on a request, walking its path one
// name at a time from "/" and judging each thing on the way as it is opened, never by
// name: every directory, every link and the file itself must belong to us or to the
// system (root), and none may be writable by anyone else; a sticky directory such as
// /tmp may be, since others cannot move or replace our names in it. A link is followed
// only once it has passed, and its target is walked the same way. So no other account
// can lead the walk elsewhere, and nothing can be swapped between the check and the
// start: the program is started from the descriptor the walk ends with.
class TrustedFile {
 public:
  enum class Outcome { kOpened, kMissing, kUntrusted };

  // On kOpened, `*fd` is an O_PATH descriptor of the regular file (close-on-exec).
  static Outcome Open(const std::string& path, int* fd);
};

}  // namespace platform
