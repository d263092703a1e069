#pragma once
#include "app/WindowSystem.h"

// The window system of `varnok --headless`: no window at all. The "main window" lives
// until a shutdown signal or an exit request; questions are answered Cancel and the
// installing window is not shown. VARNOK_UPDATE_AUTO_ACCEPT=1 answers OK instead, so
// tests can run an accepted update end to end.
class HeadlessWindowSystem : public WindowSystem {
 public:
  bool CreateMainWindow() override { return true; }
  int RunMessageLoop() override;
  void Post(MainWindowNotice notice) override;
  bool AskOkCancel(const std::string&, const std::string&) override;
  void ShowMessage(const std::string&, const std::string&) override {}
  void ShowInstallingWindow() override {}
  void HideInstallingWindow() override {}
};
