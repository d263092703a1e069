#include "update/Installer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "platform/FileUtil.h"
#include "platform/ProcessScan.h"

namespace {

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

Installer::Options Installer::Options::FromEnvironment() {
  Options options;
  const char* value = std::getenv("VARNOK_INSTALL_RETRY_MS");
  if (value && *value) {
    char* end = nullptr;
    long long ms = std::strtoll(value, &end, 10);
    if (*end == '\0' && ms >= 0) options.interval = std::chrono::milliseconds(ms);
  }
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
  if (!platform::ReadWholeFile(source, &bytes)) return false;
  std::string temp = target + ".XXXXXX";
  int fd = ::mkstemp(&temp[0]);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, 0755) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}
