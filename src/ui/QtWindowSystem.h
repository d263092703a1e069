#pragma once
#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "app/WindowSystem.h"
#include "ui/CMainFrame.h"
#include "ui/CUpdatingDia.h"

class AppState;
class BrowserProfile;
class FirstFramePictures;
class QMessageBox;
class SessionRestore;
class QSocketNotifier;

// The window system of the windowed program. Runs on the GUI thread; Post and
// AskOkCancel may be called from any thread and reach the windows only through queued
// calls. A question asked from another thread is shown on the GUI thread while the
// asking thread waits; once shutdown has begun every open or later question is
// answered Cancel, so shutdown never waits on a question.
class QtWindowSystem : public QObject, public WindowSystem {
  Q_OBJECT

 public:
  // The windows show `state`; without one, the process's own state.
  explicit QtWindowSystem(AppState* state = nullptr);
  ~QtWindowSystem() override;

  bool CreateMainWindow() override;
  int RunMessageLoop() override;
  void Post(MainWindowNotice notice) override;
  bool AskOkCancel(const std::string& text, const std::string& caption) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void ShowInstallingWindow() override;
  void HideInstallingWindow() override;
  bool ShowsPages() const override { return true; }
  void OpenAddresses(const std::vector<std::string>& addresses) override;
  void TellUnwritableStateDirectory(const std::string& directory) override;
  void TellStateFileUnreadable(const std::string& path) override;
  void TellHandoffUnavailable(const std::string& reason) override;

  // Answers every open question Cancel and every later one at once.
  void BeginShutdown();
  CMainFrame* mainFrame() const { return frame_; }

 private:
  struct Question;
  void showQuestion(const std::shared_ptr<Question>& question);
  void watchShutdownSignals();
  AppState& state() const;

  AppState* state_;
  // Drawn ahead while the engine starts; goes before the application object.
  std::unique_ptr<FirstFramePictures> firstFrame_;
  // The profile outlives every page; the application object outlives it.
  std::unique_ptr<BrowserProfile> profile_;
  QPointer<CMainFrame> frame_;
  QPointer<SessionRestore> session_;
  QPointer<CUpdatingDia> installing_;
  QSocketNotifier* signalNotifier_ = nullptr;
  int signalFd_ = -1;

  std::mutex lock_;
  std::condition_variable answered_;
  bool shuttingDown_ = false;
};
