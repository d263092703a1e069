#pragma once
#include <string>

// What the main window is told by other threads; the classic program posted window
// messages for these.
enum class MainWindowNotice {
  kSystemMessagesChanged,  // sysmsg.htm was rewritten: refresh the message side page
  kExitRequest,            // close the main window as its close box does
};

// The small interface through which the start-up spine and the updater reach the
// window system. The Qt shell implements it with real windows; the windowless shell
// (varnok --headless) implements it without any.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Creates the main window with its first empty page window, shows it maximized and
  // sets the main title. False when the window cannot be created.
  virtual bool CreateMainWindow() = 0;
  // Runs until the main window has closed (or a shutdown signal closed it).
  virtual int RunMessageLoop() = 0;
  // A queued call to the main window; safe from any thread, never waits for it.
  virtual void Post(MainWindowNotice notice) = 0;
  // Asks OK / Cancel; true for OK. May be called from a worker thread, which then
  // waits; once shutdown has begun the answer is Cancel, so shutdown never waits on it.
  virtual bool AskOkCancel(const std::string& text, const std::string& caption) = 0;
  // A plain message box with OK / Cancel whose answer is not used.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
  // The small "installing update" window of install mode.
  virtual void ShowInstallingWindow() = 0;
  virtual void HideInstallingWindow() = 0;

  // The window system of this process, for code that has no other way to reach it.
  static void SetCurrent(WindowSystem* windows);
  static WindowSystem* Current();
  // Post to the current window system, if there is one.
  static void PostToMainWindow(MainWindowNotice notice);
};

// "varnok浏览器  版本：1.0.0.1  官网：" + the site's host + six blanks, in GBK.
std::string MainTitle();
