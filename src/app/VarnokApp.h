#pragma once
#include <string>

class WindowSystem;

// The start-up and shutdown spine of the program.
class VarnokApp {
 public:
  VarnokApp(WindowSystem& windows, std::string commandLine);

  // Start-up: install mode, the single-instance check, the main window, then the
  // state, the dispatcher, both workers and the first system message. False when the
  // program is not to run (installer done, another instance serving, no window).
  bool InitInstance();
  // Shutdown: quit flag, wake the server, stop the updater, launch a pending update.
  int ExitInstance();
  // InitInstance, the message loop when it succeeded, then ExitInstance.
  int Run();

  // True when another instance holds the single-instance token.
  static bool AnotherInstanceRuns();

 private:
  WindowSystem& windows_;
  std::string commandLine_;
};
