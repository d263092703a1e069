#include "update/InstallMode.h"

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/GbkText.h"
#include "app/WindowSystem.h"
#include "platform/FileUtil.h"
#include "platform/ProcessLauncher.h"
#include "update/Installer.h"

namespace {

// "update" or a fall-back name of the download, "i" + digits + "update".
bool IsUpdateDirectoryName(const std::string& name) {
  const std::string base = "update";
  if (name == base) return true;
  if (name.size() < base.size() + 2 || name[0] != 'i' || name.compare(name.size() - base.size(), base.size(), base))
    return false;
  return name.find_first_not_of("0123456789", 1) == name.size() - base.size();
}

// Only a program that lies in an update directory beside the program it replaces
// installs itself; one in any other directory (a name that merely ends in "update"
// included) starts normally.
bool InUpdateDirectory(const AppState& state) {
  const std::string parent = state.ParentDirectory();
  const std::string directory = state.ModuleDirectory();
  if (parent.empty() || directory.size() <= parent.size()) return false;
  const std::string name = directory.substr(parent.size(), directory.size() - parent.size() - 1);
  return IsUpdateDirectoryName(name) && platform::FileExists(parent + "varnok");
}

}  // namespace

InstallOutcome RunInstallMode(WindowSystem& windows) {
  windows.ShowInstallingWindow();
  AppState& state = TheAppState::Instance();
  if (!InUpdateDirectory(state)) {
    windows.HideInstallingWindow();
    return InstallOutcome::kNotFromUpdateDirectory;
  }
  // The installer keeps the state of its own directory, as every program does.
  state.TakeInstance();
  const std::string target = state.ParentDirectory() + "varnok";
  const bool copied = Installer(state.ModulePath(), target, Installer::Options::FromEnvironment()).CopyOver();
  windows.HideInstallingWindow();
  if (copied)
    platform::LaunchDetached(std::vector<std::string>{target});
  else
    windows.ShowMessage(gbk::kInstallFailed, MainTitle());
  return InstallOutcome::kFinished;
}
