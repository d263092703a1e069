#pragma once
#include <string>
#include <vector>

#include "app/WindowSystem.h"

// Records what the updater asks and posts, and gives a fixed answer.
class FakeWindows : public WindowSystem {
 public:
  explicit FakeWindows(bool answerOk = false) : answerOk_(answerOk) {}

  bool CreateMainWindow() override { return true; }
  int RunMessageLoop() override { return 0; }
  void Post(MainWindowNotice notice) override { posted.push_back(notice); }
  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    questions.push_back(text);
    captions.push_back(caption);
    return answerOk_;
  }
  void ShowMessage(const std::string&, const std::string&) override {}
  void ShowInstallingWindow() override {}
  void HideInstallingWindow() override {}

  std::vector<std::string> questions;
  std::vector<std::string> captions;
  std::vector<MainWindowNotice> posted;

 private:
  bool answerOk_;
};
