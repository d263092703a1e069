#pragma once
#include <string>

class AppState;

// What a file the server is asked for may be served as. Whatever the server sends as a
// page of its own origin can read our pages and the command key in them, so only the
// pages the program writes (scj.htm, menu.htm, sysmsg.htm) and the advertisement page
// it ships are sent as such; every other file goes out sandboxed, an origin of its own.
// Downloaded updates (the update directories below the state directory) are never
// sent at all: they came from the network, and nothing of them is ours until verified.
class File_Policy {
 public:
  enum class Served_As { kRefused, kOwnPage, kSandboxed };

  explicit File_Policy(const AppState& state) : state_(state) {}

  // `path` is the file a request maps to; judged where it really leads (links and "."
  // segments resolved), so no second name of a file escapes its verdict.
  Served_As of(const std::string& path) const;

 private:
  const AppState& state_;
};
