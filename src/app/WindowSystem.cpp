#include "app/WindowSystem.h"

#include <atomic>

#include "app/Config.h"
#include "app/GbkText.h"

namespace {
std::atomic<WindowSystem*> current{nullptr};
}

void WindowSystem::SetCurrent(WindowSystem* windows) { current.store(windows); }

WindowSystem* WindowSystem::Current() { return current.load(); }

void WindowSystem::PostToMainWindow(MainWindowNotice notice) {
  if (WindowSystem* windows = current.load()) windows->Post(notice);
}

std::string MainTitle() { return std::string(gbk::kMainTitlePrefix) + config::SiteHost() + "      "; }
