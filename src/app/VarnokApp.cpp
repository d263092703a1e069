#include "app/VarnokApp.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/AppState.h"
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

std::atomic<bool> endingInOrder{false};

// Xlib and Qt end the process with exit() from inside the message loop when the display's
// connection breaks (the X server ended or crashed). The teardown that would follow runs
// under the workers' threads and waits minutes for the server thread, while the instance
// token makes every later launch hand over to this dying one. The process ends at once
// instead, as after a kill: the state file is written as it changes, and the next start
// offers the open pages again.
void EndAtUnplannedExit() {
  if (endingInOrder.load()) return;
  std::fputs("varnok: ended from inside the message loop (a lost display); ending at once\n", stderr);
  std::fflush(nullptr);
  std::_Exit(1);
}
}  // namespace

VarnokApp::VarnokApp(WindowSystem& windows, bool install, std::vector<std::string> addresses)
    : windows_(windows), install_(install) {
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
  if (install_ && RunInstallMode(windows_) == InstallOutcome::kFinished) return false;
  // A copy elsewhere serving the same site, or a program of this directory (which the
  // process names cannot tell when the executable was replaced): this launch hands
  // over and never reads nor writes the state.
  const bool anotherCopy = AnotherInstanceRuns();
  if (anotherCopy || !TheAppState::Instance().TakeInstance()) {
    if (!HandOverToRunningInstance() && !anotherCopy)
      std::fprintf(stderr, "varnok: another varnok keeps its state in %s and cannot be reached; this one ends\n",
                   TheAppState::Instance().StateDirectory().c_str());
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
  TellIfStateIsNotKept();
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

bool VarnokApp::HandOverToRunningInstance() const {
  // Two launches at once: the one that took the state may still be building its
  // window, and listens for later launches right after; it is given a moment.
  constexpr auto kStartingTime = std::chrono::seconds(10);
  const auto deadline = std::chrono::steady_clock::now() + kStartingTime;
  std::string reason;
  InstanceHandoff::Outcome outcome = InstanceHandoff::HandOver(addresses_, &reason);
  while (outcome == InstanceHandoff::Outcome::kUnreachable && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    outcome = InstanceHandoff::HandOver(addresses_, &reason);
  }
  // Addresses are never dropped without a word.
  if (outcome == InstanceHandoff::Outcome::kNoWindow && !addresses_.empty())
    std::fputs("varnok: the running varnok has no window (--headless); the addresses were not opened\n", stderr);
  if (outcome == InstanceHandoff::Outcome::kUnreachable && !addresses_.empty())
    std::fprintf(stderr, "varnok: varnok already runs but cannot be reached (%s); the addresses were not opened\n",
                 reason.c_str());
  return outcome != InstanceHandoff::Outcome::kUnreachable;
}

void VarnokApp::OpenLaunchAddresses() const {
  if (addresses_.empty()) return;
  if (windows_.ShowsPages())
    windows_.OpenAddresses(addresses_);
  else
    std::fputs("varnok: without a window (--headless) the addresses are not opened\n", stderr);
}

void VarnokApp::TellIfStateIsNotKept() const {
  const AppState& state = TheAppState::Instance();
  if (state.StateFileUnreadable()) {
    std::fprintf(stderr,
                 "varnok: %s cannot be read: it is left as it is, the defaults are used, and this run's "
                 "favorites, history and home page will not be saved\n",
                 state.IniPath().c_str());
    windows_.TellStateFileUnreadable(state.IniPath());
  }
  const std::string directory = state.StateDirectory();
  if (platform::DirectoryWritable(directory)) return;
  std::fprintf(stderr,
               "varnok: the state directory %s cannot be written: favorites, history and the home page "
               "will not be saved, and the local pages cannot be shown\n",
               directory.c_str());
  windows_.TellUnwritableStateDirectory(directory);
}

int VarnokApp::ExitInstance() {
  handoff_.Stop();
  AppState& state = TheAppState::Instance();
  state.SetQuitFlag(true);
  // Kept before any worker is waited for, whatever the workers then do (only the
  // program that holds the instance writes).
  state.Save();
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
  if (InitInstance()) {
    // After the workers' singletons were made, so that it runs before their teardown.
    std::atexit(EndAtUnplannedExit);
    result = windows_.RunMessageLoop();
  }
  endingInOrder = true;
  int exitCode = ExitInstance();
  return result != 0 ? result : exitCode;
}
