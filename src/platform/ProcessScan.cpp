#include "platform/ProcessScan.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <functional>

namespace platform {
namespace {

// Calls `visit(pid, exe path)` for each process; stops when it returns false.
void ForEachProcess(const std::function<bool(long, const std::string&)>& visit) {
  DIR* proc = opendir("/proc");
  if (!proc) return;
  while (dirent* entry = readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    std::string link = std::string("/proc/") + entry->d_name + "/exe";
    char buffer[PATH_MAX];
    ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) continue;
    if (!visit(std::strtol(entry->d_name, nullptr, 10), std::string(buffer, static_cast<size_t>(n)))) break;
  }
  closedir(proc);
}

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int CountProcessesNamed(const std::string& name, int limit) {
  int count = 0;
  ForEachProcess([&](long, const std::string& exe) {
    if (BaseName(exe) == name) ++count;
    return count < limit;
  });
  return count;
}

bool AnyOtherProcessRuns(const std::string& path) {
  const long self = static_cast<long>(getpid());
  bool found = false;
  ForEachProcess([&](long pid, const std::string& exe) {
    found = pid != self && exe == path;
    return !found;
  });
  return found;
}

}  // namespace platform
