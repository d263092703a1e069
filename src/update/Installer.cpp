#include "update/Installer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "app/Config.h"
#include "platform/FileUtil.h"
#include "platform/ProcessScan.h"

Installer::Options Installer::Options::FromEnvironment() {
  Options options;
  options.interval = config::MillisecondsFromEnvironment("VARNOK_INSTALL_RETRY_MS", options.interval);
  return options;
}

Installer::Installer(std::string source, std::string target, Options options)
    : source_(std::move(source)), target_(std::move(target)), options_(std::move(options)) {
  if (!options_.targetBusy) options_.targetBusy = &platform::AnyOtherProcessRuns;
}

bool Installer::CopyOver() const {
  for (int attempt = 0; attempt < options_.attempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(options_.interval);
    if (!options_.targetBusy(target_) && CopyOnce(source_, target_)) return true;
  }
  return false;
}

bool Installer::CopyOnce(const std::string& source, const std::string& target) {
  std::string bytes;
  return platform::ReadWholeFile(source, &bytes) && platform::WriteFileAtomically(target, bytes, true, 0755);
}
