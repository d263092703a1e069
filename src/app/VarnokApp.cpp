#include "app/VarnokApp.h"

#include <cstdio>

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/Config.h"
#include "app/ExternalAddress.h"
#include "app/GbkText.h"
#include "app/PendingCommand.h"
#include "app/ServerWorker.h"
#include "app/UpdateWorker.h"
#include "app/WindowSystem.h"
#include "pages/CommandDispatcher.h"
#include "platform/FileUtil.h"
#include "platform/GbkCodec.h"
#include "platform/HandoffMessage.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProcessScan.h"
#include "platform/SharedMemoryToken.h"
#include "update/InstallMode.h"

namespace {
// The executable name that instances of the program share.
const char kExecutableName[] = "varnok";
}  // namespace

VarnokApp::VarnokApp(WindowSystem& windows, std::string commandLine, std::vector<std::string> addresses)
    : windows_(windows), commandLine_(std::move(commandLine)) {
  for (std::string& address : addresses) {
    if (!external_address::IsOpenable(address))
      std::fprintf(stderr, "varnok: not opened, only web and file addresses are: %s\n",
                   platform::GbkToUtf8(address).c_str());
    else if (address.size() > platform::HandoffMessage::kMaxItemBytes)
      std::fprintf(stderr, "varnok: not opened, longer than %zu bytes: %.60s...\n",
                   platform::HandoffMessage::kMaxItemBytes, platform::GbkToUtf8(address).c_str());
    else
      addresses_.push_back(std::move(address));
  }
}

bool VarnokApp::AnotherInstanceRuns() {
  if (platform::CountProcessesNamed(kExecutableName, 2) < 2) return false;
  // A token whose owner no longer runs (a killed instance) does not count.
  return platform::SharedMemoryToken::IsHeld(config::SiteUrl());
}

bool VarnokApp::InitInstance() {
  WindowSystem::SetCurrent(&windows_);
  if (IsInstallModeCommandLine(commandLine_) && RunInstallMode(windows_) == InstallOutcome::kFinished) return false;
  if (AnotherInstanceRuns()) {
    HandOverToRunningInstance();
    return false;
  }
  if (!windows_.CreateMainWindow()) return false;
  // Listening before the server publishes the token: a launch that finds the token
  // finds the socket too.
  handoff_.Listen(windows_);

  // Only the running instance clears what a killed run left: a refused second start
  // must not take the temporary file of a write in progress.
  TheAppState::Instance().RemoveLeftoverTemporaryFiles();
  TheCommandDispatcher::Instance();
  TheServerWorker::Instance().start();
  TheUpdateWorker::Instance().start();
  TheAppState::Instance().AddSystemMessage(gbk::kSystemSender, gbk::kStartupMessage);
  OpenLaunchAddresses();
  TellIfStateDirectoryUnwritable();
  return true;
}

void VarnokApp::HandOverToRunningInstance() const {
  // A running program that cannot be reached keeps the classic silent exit.
  if (InstanceHandoff::HandOver(addresses_) == InstanceHandoff::Outcome::kNoWindow && !addresses_.empty())
    std::fputs("varnok: the running varnok has no window (--headless); the addresses were not opened\n", stderr);
}

void VarnokApp::OpenLaunchAddresses() const {
  if (addresses_.empty()) return;
  if (windows_.ShowsPages())
    windows_.OpenAddresses(addresses_);
  else
    std::fputs("varnok: without a window (--headless) the addresses are not opened\n", stderr);
}

void VarnokApp::TellIfStateDirectoryUnwritable() const {
  const std::string directory = TheAppState::Instance().StateDirectory();
  if (platform::DirectoryWritable(directory)) return;
  std::fprintf(stderr,
               "varnok: the state directory %s cannot be written: favorites, history and the home page "
               "will not be saved, and the local pages cannot be shown\n",
               directory.c_str());
  windows_.TellUnwritableStateDirectory(directory);
}

int VarnokApp::ExitInstance() {
  handoff_.Stop();
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
