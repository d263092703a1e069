#pragma once
#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "support/TempDir.h"

// The port the embedded server of a program started by a test took. The program is
// asked to listen on any free port (VARNOK_PORT=0) and to write the port into a file of
// ours (VARNOK_PORT_FILE) once it listens, so programs of tests running side by side never
// race for a port, and a test knows the server is up when it knows the port.
class ProgramPort {
 public:
  // The report goes into a directory of its own, or into `directory`, which a program run
  // as another account must be able to write.
  ProgramPort();
  explicit ProgramPort(const std::string& directory);
  ProgramPort(const ProgramPort&) = delete;
  ProgramPort& operator=(const ProgramPort&) = delete;

  // The variables that ask for it, to add to the program's environment.
  std::map<std::string, std::string> Environment() const;
  void AddTo(std::map<std::string, std::string>& environment) const;
  // The port once the program has reported it; 0 if it has not within `timeout`.
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
  // Forgets a port reported before, for a program started again.
  void Forget() const;

 private:
  std::unique_ptr<TempDir> own_;
  std::string file_;
};
