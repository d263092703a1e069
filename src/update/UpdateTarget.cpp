#include "update/UpdateTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/FileUtil.h"

namespace {

const char kUpdateDirectory[] = "update/";
const char kProgramName[] = "varnok";

// Opening for writing truncates the old download; it fails while a process runs it.
bool CanOpenForWriting(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

}  // namespace

UpdateTarget::UpdateTarget(std::string stateDirectory, std::function<int()> random, int maxFallbacks)
    : stateDirectory_(std::move(stateDirectory)), random_(std::move(random)), maxFallbacks_(maxFallbacks) {}

std::optional<std::string> UpdateTarget::Choose() const {
  std::optional<std::string> directory = ChooseDirectory();
  if (!directory) return std::nullopt;
  return ChooseFile(*directory);
}

std::optional<std::string> UpdateTarget::ChooseDirectory() const {
  const std::string preferred = stateDirectory_ + kUpdateDirectory;
  if (!platform::FileExists(preferred)) {
    // Whether this worked shows when the file is opened.
    ::mkdir(preferred.c_str(), 0755);
    return preferred;
  }
  if (CanOpenForWriting(preferred + kProgramName)) return preferred;
  for (int attempt = 0; attempt < maxFallbacks_; ++attempt) {
    std::string fallback = FallbackName(stateDirectory_, kUpdateDirectory);
    // Only a directory made now counts: an old one may hold a busy file.
    if (::mkdir(fallback.c_str(), 0755) == 0) return fallback;
  }
  return std::nullopt;
}

std::optional<std::string> UpdateTarget::ChooseFile(const std::string& directory) const {
  std::string target = directory + kProgramName;
  for (int attempt = 0; platform::FileExists(target) && ::unlink(target.c_str()) != 0; ++attempt) {
    if (attempt == maxFallbacks_) return std::nullopt;
    target = FallbackName(directory, kProgramName);
  }
  return target;
}

std::string UpdateTarget::FallbackName(const std::string& base, const std::string& name) const {
  return base + "i" + std::to_string(random_()) + name;
}
