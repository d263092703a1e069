#pragma once
#include <string>
#include <vector>

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

  // Whether this window system shows pages at all (the windowless one does not).
  virtual bool ShowsPages() const { return false; }
  // Opens each address (GBK, checked by the caller) in a page window of its own, after
  // everything already queued, and brings the main window to the front; with no
  // address only the latter. Safe from any thread, never waits.
  virtual void OpenAddresses(const std::vector<std::string>& /*addresses*/) {}
  // Tells the person, without waiting for an answer, that the state directory cannot be
  // written, so nothing of this run will be kept.
  virtual void TellUnwritableStateDirectory(const std::string& /*directory*/) {}
  // Tells the person, without waiting, that varnok.ini at `path` exists but cannot be
  // read: it is left alone, and nothing of this run will be kept.
  virtual void TellStateFileUnreadable(const std::string& /*path*/) {}
  // Tells the person, without waiting, that later launches cannot hand addresses to this
  // program (`reason`), so addresses opened with varnok from elsewhere will not appear.
  virtual void TellHandoffUnavailable(const std::string& /*reason*/) {}

  // The window system of this process, for code that has no other way to reach it.
  static void SetCurrent(WindowSystem* windows);
  static WindowSystem* Current();
  // Post to the current window system, if there is one.
  static void PostToMainWindow(MainWindowNotice notice);
};

// "varnok浏览器  版本：1.0.0.1  官网：" + the site's host + six blanks, in GBK.
std::string MainTitle();
