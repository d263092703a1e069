#pragma once
#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/desktop/ScreenGeometry.h"
#include "support/desktop/ScreenImage.h"

class ChildProcess;

// A display of its own for window tests: Xvfb on a free display number with the openbox
// window manager, and the person in front of it: real key presses, typing and mouse
// clicks sent through the X server's XTEST input (xdotool), window queries, screenshots.
// Everything started here ends with the object.
class VirtualDesktop {
 public:
  struct Options {
    int width = 1280, height = 800;
    bool windowManager = true;
  };
  using WindowId = unsigned long;

  VirtualDesktop();
  explicit VirtualDesktop(const Options& options);
  ~VirtualDesktop();
  VirtualDesktop(const VirtualDesktop&) = delete;
  VirtualDesktop& operator=(const VirtualDesktop&) = delete;

  // False when Xvfb or the window manager could not be started; error() says why.
  bool ready() const { return ready_; }
  const std::string& error() const { return error_; }
  const std::string& display() const { return display_; }  // ":N"
  ScreenRect screen() const { return {0, 0, options_.width, options_.height}; }
  // What a program started on this desktop needs in its environment (DISPLAY, the X11
  // platform of Qt, no offscreen or Wayland left over from the test's own environment).
  std::map<std::string, std::string> Environment() const;

  // Runs a tool on this display; its standard output, empty after `timeout`.
  std::string Run(const std::vector<std::string>& argv, int* status = nullptr,
                  std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;

  // Windows mapped on the screen that belong to `pid`, optionally only those whose name
  // matches the extended regular expression `nameRegex` (ASCII is safest).
  std::vector<WindowId> FindWindows(pid_t pid, const std::string& nameRegex = "") const;
  std::string WindowName(WindowId window) const;
  // Position and size of the window's contents on the screen (decorations excluded).
  std::optional<ScreenRect> WindowGeometry(WindowId window) const;
  // The window's _NET_WM_STATE atoms, e.g. "_NET_WM_STATE_MAXIMIZED_VERT".
  std::vector<std::string> WindowStates(WindowId window) const;
  bool IsMaximized(WindowId window) const;
  // Asks the window manager to activate the window and waits until it is.
  bool Activate(WindowId window) const;
  WindowId ActiveWindow() const;

  // Input, delivered to whatever has the focus, exactly as from a keyboard and mouse.
  // `keys` uses xdotool's names: "Return", "KP_Enter", "ctrl+l", "alt+Left", "F5".
  void Key(const std::string& keys) const;
  void Type(const std::string& utf8Text) const;
  void MoveMouse(ScreenPoint at) const;
  void Click(ScreenPoint at, int button = 1) const;
  void DoubleClick(ScreenPoint at) const;

  // The text a program on this desktop put on the clipboard (as Ctrl+C does), through xclip.
  std::string ClipboardText() const;

  std::optional<ScreenImage> Screenshot() const;
  bool SaveScreenshot(const std::string& pngPath) const;

 private:
  bool StartServer();
  bool StartWindowManager();
  bool WindowManagerRunning() const;
  void StopServer();

  Options options_;
  bool ready_ = false;
  std::string error_;
  std::string display_;
  pid_t server_ = -1;
  std::unique_ptr<ChildProcess> windowManager_;
};

// Records every window the window manager takes charge of from its creation on (the
// root window's client list as it changes), so a test can tell whether a program's
// window was mapped once or destroyed and mapped again under a new id.
class ManagedWindowLog {
 public:
  explicit ManagedWindowLog(const VirtualDesktop& desktop);
  ~ManagedWindowLog();
  // Every window id that has been in the list since the log started.
  std::vector<VirtualDesktop::WindowId> Seen() const;

 private:
  std::unique_ptr<ChildProcess> spy_;
};
