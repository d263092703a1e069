#pragma once
#include <string>
#include <vector>

#include "platform/Descriptor.h"

class AppState;

// What a file the server is asked for may be served as. Whatever the server sends as a
// page of its own origin can read our pages and the command key in them, so only the
// pages the program writes (scj.htm, menu.htm, sysmsg.htm) and the advertisement page
// it ships are sent as such; every other file goes out sandboxed, an origin of its own.
// Downloaded updates (the update directories below the state directory) are never
// sent at all: they came from the network, and nothing of them is ours until verified.
//
// One policy serves every request of a server. Where the state and program directories
// really are is found once, when it is made: they are fixed for the program's run, and
// finding it again for every request cost a dozen system calls a path.
class File_Policy {
 public:
  enum class Served_As { kRefused, kOwnPage, kSandboxed };

  // A verdict with the file it was given on, opened for reading; when it could not be
  // opened, why (the open's errno).
  struct Opened_File {
    Served_As served_as = Served_As::kSandboxed;
    platform::Descriptor file;
    int error = 0;
  };

  explicit File_Policy(const AppState& state);

  // `path` is the file a request maps to; judged where it really leads (links and "."
  // segments resolved), so no second name of a file escapes its verdict. Our own pages
  // are files the program writes or ships; a link put in the place of one is not ours,
  // and what it leads to goes out sandboxed.
  Served_As of(const std::string& path) const;
  // The same verdict for a file about to be sent: the file judged is the file sent, and
  // a path without links is judged without reading every name on the way as a link.
  Opened_File open(const std::string& path) const;

 private:
  // Where the state directory really is, found now if it did not exist when the policy
  // was made.
  std::string state_directory() const;
  // Opens `path` with `flags` and judges where the file really is.
  Opened_File judge(const std::string& path, int flags) const;
  Served_As verdict(const std::string& real) const;

  const AppState& state_;
  std::string state_directory_;
  std::vector<std::string> own_pages_;
};
