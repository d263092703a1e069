#include "webserver/File_Policy.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>

#include "app/AppState.h"

namespace {

// Where the file really is; empty when it does not exist.
std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// Opens the absolute `path` only when no name on the way is a link, so that the path
// itself, read as written, is where the file really is; -1 otherwise.
int OpenWithoutLinks(const std::string& path, int flags) {
  if (path.empty() || path[0] != '/') {
    errno = EINVAL;
    return -1;
  }
  open_how how{};
  how.flags = static_cast<unsigned>(flags | O_CLOEXEC);
  how.resolve = RESOLVE_NO_SYMLINKS;
  return static_cast<int>(::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how));
}

// The absolute `path` with empty and "." names dropped and each ".." taking back the
// name before it: where it leads when none of its names is a link.
std::string Lexical(const std::string& path) {
  std::string lexical;
  for (size_t start = 1; start <= path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string_view name(path.data() + start, end - start);
    if (name == "..")
      lexical.erase(std::min(lexical.rfind('/'), lexical.size()));
    else if (!name.empty() && name != ".")
      lexical.append("/").append(name);
    start = end + 1;
  }
  return lexical.empty() ? "/" : lexical;
}

// Where the file open as `fd` is, as the kernel names it; empty when that is unknown.
std::string WhereOpened(int fd) {
  char where[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = ::readlink(link.c_str(), where, sizeof where);
  return length > 0 && static_cast<size_t>(length) < sizeof where && where[0] == '/' ? std::string(where, length)
                                                                                       : std::string();
}

// `path` with its directory resolved and its last name kept as it is.
std::string InRealDirectory(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  const std::string directory = RealPath(path.substr(0, slash + 1));
  return directory.empty() ? std::string() : directory + path.substr(slash);
}

// "update" and the fall-back names "i<number>update" the update check downloads into.
bool IsUpdateDirectoryName(const std::string& name) {
  const std::string suffix = "update";
  if (name == suffix) return true;
  const size_t digitsEnd = name.size() - suffix.size();
  if (name.size() <= suffix.size() + 1 || name[0] != 'i' || name.compare(digitsEnd, suffix.size(), suffix) != 0)
    return false;
  for (size_t i = 1; i < digitsEnd; ++i)
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

}  // namespace

File_Policy::File_Policy(const AppState& state) : state_(state), state_directory_(RealPath(state.StateDirectory())) {
  for (const std::string& own : {state.FavoritesPagePath(), state.MenuPagePath(), state.SystemMessagePagePath(),
                                 state.ModuleDirectory() + "guanggao.htm"})
    own_pages_.push_back(InRealDirectory(own));
}

std::string File_Policy::state_directory() const {
  return state_directory_.empty() ? RealPath(state_.StateDirectory()) : state_directory_;
}

File_Policy::Served_As File_Policy::of(const std::string& path) const { return judge(path, O_PATH).served_as; }

File_Policy::Opened_File File_Policy::open(const std::string& path) const {
  // Without waiting: a pipe under that name would block on open.
  return judge(path, O_RDONLY | O_NONBLOCK);
}

File_Policy::Opened_File File_Policy::judge(const std::string& path, int flags) const {
  Opened_File judged;
  std::string real;
  judged.file = platform::Descriptor(OpenWithoutLinks(path, flags));
  if (judged.file.valid()) {
    real = Lexical(path);
  } else if (errno == ENOENT || errno == ENOTDIR) {
    // A name missing on a walk without links is missing whatever links would say.
    judged.error = errno;
  } else {
    // A link on the way (or no openat2): the file is opened through the links and judged
    // by where the opened file is, never by a second walk that a swapped link could
    // send elsewhere.
    judged.file = platform::Descriptor(::open(path.c_str(), flags | O_CLOEXEC));
    if (judged.file.valid())
      real = WhereOpened(judged.file.get());
    else
      judged.error = errno;
    if (real.empty()) real = RealPath(path);
  }
  if (flags & O_PATH) judged.file = platform::Descriptor();
  judged.served_as = verdict(real);
  return judged;
}

File_Policy::Served_As File_Policy::verdict(const std::string& real) const {
  // A missing file is answered as missing by the sending itself.
  if (real.empty()) return Served_As::kSandboxed;
  // Downloads go below the state directory, which is the program directory where the
  // program updates itself.
  const std::string stateDirectory = state_directory();
  if (!stateDirectory.empty() && real.compare(0, stateDirectory.size() + 1, stateDirectory + "/") == 0) {
    const std::string below = real.substr(stateDirectory.size() + 1);
    const size_t slash = below.find('/');
    if (slash != std::string::npos && IsUpdateDirectoryName(below.substr(0, slash))) return Served_As::kRefused;
  }
  for (const std::string& own : own_pages_)
    if (!own.empty() && real == own) return Served_As::kOwnPage;
  return Served_As::kSandboxed;
}
