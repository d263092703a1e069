#pragma once
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A program started by a test, with its own environment additions and working
// directory; killed (SIGKILL) if still running when the object goes.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extraEnv = {},
               const std::string& workingDirectory = "/");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  void Signal(int sig) const;
  // The exit status (or 128 + signal) once the process has ended within `timeout`.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
  bool Running();
  // What the process wrote to standard output and standard error so far
  // (only when captured: both go to a file in /tmp).
  std::string Output() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  std::string outputPath_;
};

// Copies the built program (VARNOK_BINARY) into `directory` under `name`; returns the path.
std::string InstallProgramCopy(const std::string& directory, const std::string& name = "varnok");

// A site URL no other test uses, so that parallel instances never see each other's token.
std::string UniqueSiteUrl();

// Polls `condition` every 20 ms until it holds or `timeout` passes.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
