#pragma once
#include <string>
#include <vector>

#include "app/InstanceHandoff.h"

class WindowSystem;

// The start-up and shutdown spine of the program.
class VarnokApp {
 public:
  // `addresses` (GBK) are opened after the home page, each in a page window of its own.
  VarnokApp(WindowSystem& windows, std::string commandLine, std::vector<std::string> addresses = {});

  // Start-up: install mode, the single-instance check (a later launch hands its
  // addresses to the running program), the main window, then the state, the
  // dispatcher, both workers and the first system message. False when the program is
  // not to run (installer done, another instance serving, no window).
  bool InitInstance();
  // Shutdown: quit flag, wake the server, stop the updater, launch a pending update.
  int ExitInstance();
  // InitInstance, the message loop when it succeeded, then ExitInstance.
  int Run();

  // True when another instance holds the single-instance token.
  static bool AnotherInstanceRuns();

 private:
  void HandOverToRunningInstance() const;
  void OpenLaunchAddresses() const;
  void TellIfStateDirectoryUnwritable() const;

  WindowSystem& windows_;
  std::string commandLine_;
  std::vector<std::string> addresses_;
  InstanceHandoff handoff_;
};
