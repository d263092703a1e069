#include "app/VarnokApp.h"

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/Config.h"
#include "app/GbkText.h"
#include "app/PendingCommand.h"
#include "app/ServerWorker.h"
#include "app/UpdateWorker.h"
#include "app/WindowSystem.h"
#include "pages/CommandDispatcher.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProcessScan.h"
#include "platform/SharedMemoryToken.h"
#include "update/InstallMode.h"

namespace {
// The executable name that instances of the program share.
const char kExecutableName[] = "varnok";
}  // namespace

VarnokApp::VarnokApp(WindowSystem& windows, std::string commandLine)
    : windows_(windows), commandLine_(std::move(commandLine)) {}

bool VarnokApp::AnotherInstanceRuns() {
  if (platform::CountProcessesNamed(kExecutableName, 2) < 2) return false;
  // A token whose owner no longer runs (a killed instance) does not count.
  return platform::SharedMemoryToken::IsHeld(config::SiteUrl());
}

bool VarnokApp::InitInstance() {
  WindowSystem::SetCurrent(&windows_);
  if (IsInstallModeCommandLine(commandLine_) && RunInstallMode(windows_) == InstallOutcome::kFinished) return false;
  if (AnotherInstanceRuns()) return false;
  if (!windows_.CreateMainWindow()) return false;

  // Only the running instance clears what a killed run left: a refused second start
  // must not take the temporary file of a write in progress.
  TheAppState::Instance().RemoveLeftoverTemporaryFiles();
  TheCommandDispatcher::Instance();
  TheServerWorker::Instance().start();
  TheUpdateWorker::Instance().start();
  TheAppState::Instance().AddSystemMessage(gbk::kSystemSender, gbk::kStartupMessage);
  return true;
}

int VarnokApp::ExitInstance() {
  TheAppState::Instance().SetQuitFlag(true);
  TheServerWorker::Instance().stop();
  TheUpdateWorker::Instance().stop();
  WindowSystem::SetCurrent(nullptr);
  const std::string pending = PendingCommand();
  if (!pending.empty()) platform::LaunchDetached(pending);
  return 0;
}

int VarnokApp::Run() {
  int result = 0;
  if (InitInstance()) result = windows_.RunMessageLoop();
  int exitCode = ExitInstance();
  return result != 0 ? result : exitCode;
}
