#include "update/InstallMode.h"

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/GbkText.h"
#include "app/WindowSystem.h"
#include "platform/ProcessLauncher.h"
#include "update/Installer.h"

InstallOutcome RunInstallMode(WindowSystem& windows) {
  windows.ShowInstallingWindow();
  const AppState& state = TheAppState::Instance();
  // Anywhere in the path, as the earlier releases matched it: "i41update/" counts too.
  if (state.ModuleDirectory().find("update/") == std::string::npos) {
    windows.HideInstallingWindow();
    return InstallOutcome::kNotFromUpdateDirectory;
  }
  const std::string target = state.ParentDirectory() + "varnok";
  const bool copied = Installer(state.ModulePath(), target, Installer::Options::FromEnvironment()).CopyOver();
  windows.HideInstallingWindow();
  if (copied)
    platform::LaunchDetached(std::vector<std::string>{target});
  else
    windows.ShowMessage(gbk::kInstallFailed, MainTitle());
  return InstallOutcome::kFinished;
}
