#include "webserver/File_Policy.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "app/AppState.h"

namespace {

// Where the file really is; empty when it does not exist.
std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
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

File_Policy::Served_As File_Policy::of(const std::string& path) const {
  const std::string real = RealPath(path);
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
