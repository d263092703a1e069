#include "support/desktop/VarnokOnDesktop.h"

#include <signal.h>

#include <algorithm>
#include <filesystem>

#include "support/ChildProcess.h"

using namespace std::chrono_literals;

VarnokOnDesktop::VarnokOnDesktop(const VirtualDesktop& desktop) : desktop_(desktop), port_(scratch_.path()) {
  environment_ = desktop.Environment();
  environment_["VARNOK_SITE_URL"] = UniqueSiteUrl();
  port_.AddTo(environment_);
  environment_["VARNOK_UPDATE_FIRST_MS"] = "3600000";
  environment_["QTWEBENGINE_DISABLE_SANDBOX"] = "1";
  environment_["VARNOK_WIDGET_MAP"] = scratch_ / "widgets.map";
  // A home and a runtime directory of its own: nothing read from or left in the
  // machine's real ones, and the engine's profile shared with no other run.
  environment_["HOME"] = scratch_ / "home";
  environment_["XDG_RUNTIME_DIR"] = scratch_.path();
  for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) environment_[variable] = "";
  InstallProgramCopy(dir_.path());
  std::filesystem::create_directories(scratch_ / "home");
}

VarnokOnDesktop::~VarnokOnDesktop() {
  if (process_ && process_->Running()) {
    process_->Signal(SIGTERM);
    process_->WaitForExit(30s);
  }
}

void VarnokOnDesktop::WriteIni(const std::string& home, const std::vector<std::string>& favorites,
                               const std::vector<std::string>& history) {
  auto section = [](const std::vector<std::string>& urls) {
    std::string lines;
    for (size_t i = 0; i < urls.size(); ++i) lines += "url" + std::to_string(i + 1) + "=" + urls[i] + "\r\n";
    return lines;
  };
  WriteFileOrDie(dir_ / "varnok.ini", "[global]\r\nversion=1.0\r\n[homeurl]\r\nurl1=" + home + "\r\n[history]\r\n" +
                                          section(history) + "[soucangjia]\r\n" + section(favorites) + "\r\n");
}

void VarnokOnDesktop::WriteFile(const std::string& name, const std::string& bytes) const {
  WriteFileOrDie(dir_ / name, bytes);
}

std::vector<std::string> VarnokOnDesktop::CommandLine(const std::vector<std::string>& arguments,
                                                     std::map<std::string, std::string>* set) const {
  // ChildProcess only adds variables; an empty value asks for removal, done by env -u.
  std::vector<std::string> argv = commandPrefix_;
  argv.push_back("/usr/bin/env");
  for (const auto& [name, value] : environment_)
    if (value.empty()) argv.insert(argv.end(), {"-u", name});
    else (*set)[name] = value;
  argv.push_back(dir_ / "varnok");
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

std::unique_ptr<ChildProcess> VarnokOnDesktop::LaunchAgain(const std::vector<std::string>& arguments,
                                                            const std::string& workingDirectory) const {
  std::map<std::string, std::string> set;
  const std::vector<std::string> argv = CommandLine(arguments, &set);
  return std::make_unique<ChildProcess>(argv, set, workingDirectory.empty() ? dir_.path() : workingDirectory);
}

void VarnokOnDesktop::Launch() {
  port_.Forget();
  std::map<std::string, std::string> set;
  const std::vector<std::string> argv = CommandLine(arguments_, &set);
  process_ = std::make_unique<ChildProcess>(argv, set, dir_.path());
}

bool VarnokOnDesktop::Start(std::chrono::milliseconds timeout) {
  Launch();
  const bool shown = WaitUntil(
      [&] {
        if (!process_->Running()) return true;
        const auto windows = desktop_.FindWindows(process_->pid(), "^varnok");
        if (windows.empty()) return false;
        mainWindow_ = windows.front();
        return !Widgets().empty();
      },
      timeout);
  return shown && process_->Running() && mainWindow_ != 0 && WaitUntilSettled(timeout);
}

bool VarnokOnDesktop::WaitUntilSettled(std::chrono::milliseconds timeout) const {
  return WaitUntilPlaced("main", mainWindow_, timeout);
}

bool VarnokOnDesktop::WaitUntilPlaced(const std::string& name, VirtualDesktop::WindowId window,
                                      std::chrono::milliseconds timeout) const {
  return WaitUntil(
      [&] {
        const auto reported = Widgets().Find(name);
        const auto placed = desktop_.WindowGeometry(window);
        return reported && placed && reported->rect == *placed;
      },
      timeout);
}

bool VarnokOnDesktop::Running() const { return process_ && process_->Running(); }

void VarnokOnDesktop::Signal(int signal) const {
  if (process_) process_->Signal(signal);
}

pid_t VarnokOnDesktop::pid() const { return process_ ? process_->pid() : -1; }

int VarnokOnDesktop::port() const { return process_ ? port_.Wait() : 0; }

WidgetMap VarnokOnDesktop::Widgets() const { return WidgetMap::Parse(ReadFileOrEmpty(environment_.at("VARNOK_WIDGET_MAP"))); }

bool VarnokOnDesktop::WaitForWidgets(const std::function<bool(const WidgetMap&)>& condition,
                                     std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return condition(Widgets()); }, timeout);
}

std::optional<ScreenRect> VarnokOnDesktop::Control(const std::string& name) const {
  std::optional<ScreenRect> rect;
  WaitUntilSettled();
  WaitForWidgets(
      [&](const WidgetMap& map) {
        const auto entry = map.Find(name);
        if (entry && entry->Has("visible") && !entry->rect.empty()) rect = entry->rect;
        return rect.has_value();
      },
      30s);
  return rect;
}

bool VarnokOnDesktop::Activate() const { return mainWindow_ != 0 && desktop_.Activate(mainWindow_); }

bool VarnokOnDesktop::Click(const std::string& control) const {
  const auto rect = Control(control);
  if (!rect) return false;
  desktop_.Click(rect->center());
  return true;
}

bool VarnokOnDesktop::Hover(const std::string& control) const {
  const auto rect = Control(control);
  if (!rect) return false;
  desktop_.MoveMouse(rect->center());
  return true;
}

bool VarnokOnDesktop::TypeAddress(const std::string& text, const std::string& key) const {
  if (!Click("address")) return false;
  desktop_.Key("ctrl+a");
  desktop_.Type(text);
  desktop_.Key(key);
  return true;
}

std::optional<int> VarnokOnDesktop::Close(std::chrono::milliseconds timeout) {
  if (!process_) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // The window manager's close key sends the window the same request as its close box.
  // Pressed again, as a person would, while the window is still there: a key pressed
  // while the window manager was busy handing the focus around can be lost.
  for (int attempt = 0; attempt < 3 && process_->Running(); ++attempt) {
    Activate();
    desktop_.Key("alt+F4");
    const bool gone = WaitUntil([&] { return !process_->Running() || desktop_.FindWindows(pid(), "^varnok").empty(); },
                                std::chrono::seconds(15));
    if (gone) break;
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return process_->WaitForExit(std::max(left, std::chrono::milliseconds(1)));
}

std::optional<int> VarnokOnDesktop::WaitForExit(std::chrono::milliseconds timeout) {
  if (!process_) return std::nullopt;
  return process_->WaitForExit(timeout);
}

std::string VarnokOnDesktop::Ini() const { return ReadFileOrEmpty(dir_ / "varnok.ini"); }

std::string VarnokOnDesktop::StackTraces() const {
  if (!Running()) return "(not running)";
  return desktop_.Run({"gdb", "-p", std::to_string(pid()), "-batch", "-ex", "thread apply all bt 30"}, nullptr, 120s);
}

std::string VarnokOnDesktop::Output() const { return process_ ? process_->Output() : std::string(); }
