#include "app/CommandLine.h"

#include <cstdlib>
#include <cstring>

std::string JoinCommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i) line.push_back(' ');
    line += argv[i];
  }
  return line;
}

bool IsInstallModeCommandLine(const std::string& commandLine) {
  static const std::string kSwitch = "-update";
  size_t last = commandLine.rfind(kSwitch);
  return last != std::string::npos && last + kSwitch.size() == commandLine.size();
}

bool HasFlag(int argc, char** argv, const char* flag) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], flag) == 0) return true;
  return false;
}

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}
