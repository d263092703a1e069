#pragma once
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/ProgramPort.h"
#include "support/TempDir.h"
#include "support/desktop/VirtualDesktop.h"
#include "support/desktop/WidgetMap.h"

class ChildProcess;

// The built varnok (VARNOK_BINARY) on a virtual desktop, as a person starts it: a copy in
// a temporary program directory, with a site URL of its own and its server on any free
// port (so runs never meet each other's single-instance token or port) and the update
// check pushed out of the way. The program reports where its widgets are (VARNOK_WIDGET_MAP), so a test
// can click and hover them; everything else goes through real input on the desktop.
class VarnokOnDesktop {
 public:
  using WindowId = VirtualDesktop::WindowId;

  explicit VarnokOnDesktop(const VirtualDesktop& desktop);
  ~VarnokOnDesktop();  // a program still running gets SIGTERM, then SIGKILL
  VarnokOnDesktop(const VarnokOnDesktop&) = delete;
  VarnokOnDesktop& operator=(const VarnokOnDesktop&) = delete;

  const TempDir& dir() const { return dir_; }
  // The program's home directory (HOME), empty at the start.
  std::string home() const { return scratch_ / "home/"; }
  // The port the embedded server took, once it listens (0 before the program started,
  // or when its server did not come up within a minute).
  int port() const;
  // Added to (or, with an empty value, removed from) the program's environment at Start.
  std::map<std::string, std::string>& environment() { return environment_; }
  // Arguments after the program's path at Start.
  std::vector<std::string>& arguments() { return arguments_; }
  // Put in front of the program at Start, e.g. setpriv to run it as another account.
  std::vector<std::string>& commandPrefix() { return commandPrefix_; }
  // Where the program's own files (the widget map) and its runtime directory are.
  const TempDir& scratch() const { return scratch_; }

  // varnok.ini as the program will read it at start; the texts are written as given (GBK).
  void WriteIni(const std::string& home, const std::vector<std::string>& favorites = {},
                const std::vector<std::string>& history = {});
  void WriteFile(const std::string& name, const std::string& bytes) const;

  // Starts the program and returns at once.
  void Launch();
  // Starts the program and waits until its main window is mapped and its reported
  // widgets agree with the window's place on the screen; false (with the program's output in Output()) if that never happens.
  bool Start(std::chrono::milliseconds timeout = std::chrono::seconds(120));
  // The command line Start runs, with `arguments` after the program.
  std::vector<std::string> CommandLine(const std::vector<std::string>& arguments,
                                       std::map<std::string, std::string>* environment) const;
  WindowId mainWindow() const { return mainWindow_; }
  bool Running() const;
  // Sends a signal to the program (SIGTERM, SIGINT, SIGHUP close it as its close box does).
  void Signal(int signal) const;
  pid_t pid() const;
  // Starts the same program once more, as a person starting it again from a terminal or
  // another program's link would: same program and environment, in `workingDirectory`
  // (the program directory when empty).
  std::unique_ptr<ChildProcess> LaunchAgain(const std::vector<std::string>& arguments,
                                            const std::string& workingDirectory = "") const;

  WidgetMap Widgets() const;
  bool WaitForWidgets(const std::function<bool(const WidgetMap&)>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
  // The control's rectangle once it is reported visible; nothing after the time-out.
  std::optional<ScreenRect> Control(const std::string& name) const;

  // Waits until the reported widgets agree with where the window manager has put the
  // main window (after it was mapped, maximized, moved or resized).
  bool WaitUntilSettled(std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
  // The same for another of the program's windows, reported as `name`: the window
  // manager places a window after it appears, and a click aimed by an earlier report
  // lands beside it.
  bool WaitUntilPlaced(const std::string& name, VirtualDesktop::WindowId window,
                       std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
  // Brings the main window to the front with the keyboard focus.
  bool Activate() const;
  // Clicks (or only moves the mouse over) the centre of a reported control.
  bool Click(const std::string& control) const;
  bool Hover(const std::string& control) const;
  // Clicks into the address box, replaces its text by `text` and presses `key`.
  bool TypeAddress(const std::string& text, const std::string& key = "Return") const;

  // Closes the main window with the window manager's close key (Alt+F4), which asks the
  // window to close as its close box does, and waits for the exit; the exit status, nothing if the program did not end in time.
  std::optional<int> Close(std::chrono::milliseconds timeout = std::chrono::seconds(60));
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
  std::string Ini() const;
  std::string Output() const;
  // Every thread's stack of the running program (through gdb), to show where it hangs.
  std::string StackTraces() const;

 private:
  const VirtualDesktop& desktop_;
  TempDir dir_;
  TempDir scratch_;  // the widget map and the port file live outside the program directory
  ProgramPort port_;
  std::map<std::string, std::string> environment_;
  std::vector<std::string> arguments_;
  std::vector<std::string> commandPrefix_;
  std::unique_ptr<ChildProcess> process_;
  WindowId mainWindow_ = 0;
};
