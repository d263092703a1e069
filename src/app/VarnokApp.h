#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "app/InstanceHandoff.h"

class WindowSystem;

// The start-up and shutdown spine of the program.
class VarnokApp {
 public:
  // How long shutdown waits for the update thread, whose transfers and digests end
  // within a second of the quit flag.
  static constexpr std::chrono::milliseconds kUpdaterGrace{2000};

  // `install`: started as an update's installer (the last argument was "-update").
  // `addresses` (GBK) are opened after the home page, each in a page window of its own.
  VarnokApp(WindowSystem& windows, bool install, std::vector<std::string> addresses = {});

  // Start-up: install mode, the single instance (decided before the state is read; a
  // later launch hands its addresses to the running program), the state, the main
  // window, then the dispatcher, both workers and the first system message. False when
  // the program is not to run (installer done, another instance serving, no window).
  bool InitInstance();
  // Shutdown: quit flag, save the state, wake the server, stop the updater (waited for
  // at most kUpdaterGrace), launch a pending update.
  int ExitInstance();
  // InitInstance, the message loop when it succeeded, then ExitInstance.
  int Run();

  // True when another instance holds the single-instance token.
  static bool AnotherInstanceRuns();

 private:
  void ListenForLaterLaunches();
  // False when the running program could not be reached.
  bool HandOverToRunningInstance() const;
  void OpenLaunchAddresses() const;
  void TellIfStateIsNotKept() const;
  [[noreturn]] void EndWithoutTeardown() const;

  WindowSystem& windows_;
  bool install_;
  std::vector<std::string> addresses_;
  InstanceHandoff handoff_;
};
