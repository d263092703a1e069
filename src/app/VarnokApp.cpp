#include "app/VarnokApp.h"

#include <cstdio>
#include <cstdlib>

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
  ListenForLaterLaunches();

  // Only the running instance clears what a killed run left: a refused second start
  // must not take the temporary file of a write in progress.
  TheAppState::Instance().RemoveLeftoverTemporaryFiles();
  TheCommandDispatcher::Instance();
  TheServerWorker::Instance().start();
  TheUpdateWorker::Instance().start();
  TheAppState::Instance().AddSystemMessage(gbk::kSystemSender, gbk::kStartupMessage);
  OpenLaunchAddresses();
  TellIfProgramDirectoryUnwritable();
  running_ = true;
  return true;
}

void VarnokApp::ListenForLaterLaunches() {
  std::string error;
  if (handoff_.Listen(windows_, &error)) return;
  // The program runs all the same; what later launches bring cannot reach it, and they
  // say so too.
  std::fprintf(stderr, "varnok: later launches cannot hand their addresses to this program: %s\n", error.c_str());
  windows_.TellHandoffUnavailable(error);
}

void VarnokApp::HandOverToRunningInstance() const {
  // Without addresses a running program that cannot be reached keeps the classic silent
  // exit; addresses are never dropped without a word.
  std::string reason;
  const InstanceHandoff::Outcome outcome = InstanceHandoff::HandOver(addresses_, &reason);
  if (addresses_.empty() || outcome == InstanceHandoff::Outcome::kOpened) return;
  if (outcome == InstanceHandoff::Outcome::kNoWindow)
    std::fputs("varnok: the running varnok has no window (--headless); the addresses were not opened\n", stderr);
  else
    std::fprintf(stderr, "varnok: varnok already runs but cannot be reached (%s); the addresses were not opened\n",
                 reason.c_str());
}

void VarnokApp::OpenLaunchAddresses() const {
  if (addresses_.empty()) return;
  if (windows_.ShowsPages())
    windows_.OpenAddresses(addresses_);
  else
    std::fputs("varnok: without a window (--headless) the addresses are not opened\n", stderr);
}

void VarnokApp::TellIfProgramDirectoryUnwritable() const {
  const std::string directory = TheAppState::Instance().ModuleDirectory();
  if (platform::DirectoryWritable(directory)) return;
  std::fprintf(stderr,
               "varnok: the program directory %s cannot be written: favorites, history and the home page "
               "will not be saved, and the local pages cannot be shown\n",
               directory.c_str());
  windows_.TellUnwritableProgramDirectory(directory);
}

int VarnokApp::ExitInstance() {
  handoff_.Stop();
  AppState& state = TheAppState::Instance();
  state.SetQuitFlag(true);
  // Kept before any worker is waited for, whatever the workers then do.
  if (running_) state.Save();
  TheServerWorker::Instance().stop();
  const bool updaterEnded = TheUpdateWorker::Instance().stop_within(kUpdaterGrace);
  WindowSystem::SetCurrent(nullptr);
  const std::string pending = PendingCommand();
  if (!pending.empty()) platform::LaunchDetached(pending);
  if (!updaterEnded) EndWithoutTeardown();
  return 0;
}

void VarnokApp::EndWithoutTeardown() const {
  // The update thread still runs: the process's teardown (the crypto library's among it)
  // must not run under it. What a late command changed is saved, then the process ends.
  std::fputs("varnok: the update thread did not end in time; ending without waiting for it\n", stderr);
  TheAppState::Instance().Save();
  std::fflush(nullptr);
  std::_Exit(0);
}

int VarnokApp::Run() {
  int result = 0;
  if (InitInstance()) result = windows_.RunMessageLoop();
  int exitCode = ExitInstance();
  return result != 0 ? result : exitCode;
}
