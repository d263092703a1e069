#include "platform/PrivateRuntimeDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

bool IsUsableRuntimeRoot(const char* root) {
  if (!root || root[0] != '/') return false;
  struct stat st;
  return ::stat(root, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

std::string CreatePrivate(const std::string& path, std::string* error) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = path + ": " + std::strerror(errno);
    return std::string();
  }
  if (!IsPrivateDirectory(path, error)) return std::string();
  return path + "/";
}

}  // namespace

bool IsPrivateDirectory(const std::string& path, std::string* error) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    *error = path + " is not a directory";
    return false;
  }
  if (st.st_uid != ::geteuid()) {
    *error = path + " belongs to another account";
    return false;
  }
  if ((st.st_mode & 077) != 0) {
    *error = path + " is open to other accounts";
    return false;
  }
  return true;
}

std::string PrivateRuntimeDirectory(std::string* error) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (IsUsableRuntimeRoot(runtime)) {
    std::string root(runtime);
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return CreatePrivate(root + "/varnok", error);
  }
  return CreatePrivate("/tmp/varnok-" + std::to_string(::geteuid()), error);
}

}  // namespace platform
