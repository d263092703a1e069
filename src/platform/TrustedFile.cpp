#include "platform/TrustedFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <vector>

#include "platform/Descriptor.h"

namespace platform {
namespace {

constexpr int kMaxLinks = 40;  // as the kernel's own walk allows

// The names of a path in order, empty ones and "." left out.
std::deque<std::string> Names(const std::string& path) {
  std::deque<std::string> names;
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    if (!name.empty() && name != ".") names.push_back(name);
    start = end + 1;
  }
  return names;
}

bool Trusted(const struct stat& status) {
  if (status.st_uid != ::geteuid() && status.st_uid != 0) return false;
  if (S_ISLNK(status.st_mode)) return true;  // its own bits mean nothing
  const bool othersWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  return !othersWrite || (S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX));
}

bool ReadLink(int fd, std::string* target) {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlinkat(fd, "", buffer, sizeof buffer);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return false;
  target->assign(buffer, static_cast<size_t>(length));
  return true;
}

}  // namespace

TrustedFile::Outcome TrustedFile::Open(const std::string& path, int* fd) {
  std::string absolute = path;
  if (absolute.empty()) return Outcome::kMissing;
  if (absolute[0] != '/') {
    char here[PATH_MAX];
    if (!::getcwd(here, sizeof here)) return Outcome::kUntrusted;
    absolute = std::string(here) + "/" + absolute;
  }
  std::vector<Descriptor> directories;  // "/" and every directory below it walked so far
  directories.emplace_back(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct stat status {};
  if (directories.back().get() < 0 || ::fstat(directories.back().get(), &status) != 0 || !Trusted(status))
    return Outcome::kUntrusted;

  std::deque<std::string> names = Names(absolute);
  for (int links = 0; !names.empty();) {
    const std::string name = names.front();
    names.pop_front();
    if (name == "..") {
      if (directories.size() > 1) directories.pop_back();
      continue;
    }
    Descriptor next(::openat(directories.back().get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (next.get() < 0) return errno == ENOENT || errno == ENOTDIR ? Outcome::kMissing : Outcome::kUntrusted;
    if (::fstat(next.get(), &status) != 0 || !Trusted(status)) return Outcome::kUntrusted;
    if (S_ISLNK(status.st_mode)) {
      std::string target;
      if (++links > kMaxLinks || !ReadLink(next.get(), &target)) return Outcome::kUntrusted;
      if (target[0] == '/') directories.resize(1);
      const std::deque<std::string> more = Names(target);
      names.insert(names.begin(), more.begin(), more.end());
    } else if (S_ISDIR(status.st_mode)) {
      directories.push_back(std::move(next));
    } else if (!names.empty() || !S_ISREG(status.st_mode)) {
      return Outcome::kMissing;  // nothing below a file; a device or a pipe is no program
    } else {
      *fd = next.release();
      return Outcome::kOpened;
    }
  }
  return Outcome::kMissing;  // a directory
}

}  // namespace platform
