#include "platform/ProcessLauncher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> parts;
  size_t i = 0;
  const size_t n = commandLine.size();
  while (i < n && IsBlank(commandLine[i])) ++i;
  if (i < n && commandLine[i] == '"') {
    size_t close = commandLine.find('"', i + 1);
    if (close == std::string::npos) close = n;
    parts.push_back(commandLine.substr(i + 1, close - i - 1));
    i = close < n ? close + 1 : n;
  }
  while (i < n) {
    while (i < n && IsBlank(commandLine[i])) ++i;
    size_t start = i;
    while (i < n && !IsBlank(commandLine[i])) ++i;
    if (i > start) parts.push_back(commandLine.substr(start, i - start));
  }
  return parts;
}

bool LaunchDetached(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return false;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Own session: a signal to our process group (Ctrl+C, logout) must not reach the
  // program we hand over to. Signals we block for our own shutdown are unblocked.
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, args[0], nullptr, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  return rc == 0;
}

bool LaunchDetached(const std::string& commandLine) {
  return LaunchDetached(SplitCommandLine(commandLine));
}

}  // namespace platform
