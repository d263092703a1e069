#include "app/StateDirectory.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/FileUtil.h"

namespace {

bool IsSystemDirectory(const std::string& directory) { return directory.rfind("/usr/", 0) == 0; }

std::string WithoutTrailingSlashes(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path;
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return WithoutTrailingSlashes(home);
  const passwd* account = ::getpwuid(::getuid());
  return account && account->pw_dir ? WithoutTrailingSlashes(account->pw_dir) : "";
}

// Every missing directory of `path` is made 0700, as the XDG rules ask; the last one is
// made 0700 even when something else made it first, since it holds the account's history.
void MakePrivateDirectory(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    ::mkdir(path.substr(0, slash).c_str(), 0700);
  struct stat made;
  if (::stat(path.c_str(), &made) == 0 && made.st_uid == ::geteuid() && (made.st_mode & 077) != 0)
    ::chmod(path.c_str(), 0700);
}

}  // namespace

// $XDG_DATA_HOME/varnok/ when that is an absolute path (the XDG rules ignore relative
// ones), else ~/.local/share/varnok/.
std::string StateDirectory::AccountDataDirectory() {
  const char* configured = std::getenv("XDG_DATA_HOME");
  const std::string base = configured && *configured == '/' ? configured : HomeDirectory() + "/.local/share";
  return WithoutTrailingSlashes(base) + "/varnok/";
}

StateDirectory StateDirectory::For(const std::string& programDirectory) {
  if (!IsSystemDirectory(programDirectory) && platform::DirectoryWritable(programDirectory))
    return StateDirectory(programDirectory, true);
  std::string data = AccountDataDirectory();
  MakePrivateDirectory(data);
  return StateDirectory(std::move(data), false);
}
