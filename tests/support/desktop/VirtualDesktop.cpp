#include "support/desktop/VirtualDesktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <thread>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;

namespace {

// Reads from `fd` until end of file or `timeout`.
std::string ReadAll(int fd, std::chrono::milliseconds timeout, bool stopAtNewline = false) {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  char buffer[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
    if (stopAtNewline && out.find('\n') != std::string::npos) break;
  }
  return out;
}

// Starts `argv` with `env` added, standard output on a pipe (returned in *out) and the
// child's descriptor `extraFd` (when >= 0) on the same pipe; standard error is dropped.
pid_t Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, int* out,
            int extraFd = -1) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, 0);
    dup2(devNull, 2);
    dup2(pipeFds[1], extraFd >= 0 ? extraFd : 1);
    if (extraFd >= 0) dup2(devNull, 1);
    for (const auto& [name, value] : env) {
      if (value.empty())
        unsetenv(name.c_str());
      else
        setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[1]);
  if (pid < 0) {
    close(pipeFds[0]);
    return -1;
  }
  *out = pipeFds[0];
  return pid;
}

std::string Hex(VirtualDesktop::WindowId window) {
  std::ostringstream s;
  s << "0x" << std::hex << window;
  return s.str();
}

}  // namespace

VirtualDesktop::VirtualDesktop() : VirtualDesktop(Options()) {}

VirtualDesktop::VirtualDesktop(const Options& options) : options_(options) {
  ready_ = StartServer() && (!options_.windowManager || StartWindowManager());
}

VirtualDesktop::~VirtualDesktop() {
  windowManager_.reset();
  StopServer();
}

bool VirtualDesktop::StartServer() {
  // Xvfb picks a free display number itself and writes it to descriptor 3.
  const std::string screenSpec =
      std::to_string(options_.width) + "x" + std::to_string(options_.height) + "x24";
  int fd = -1;
  server_ = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", screenSpec, "-nolisten", "tcp", "-noreset"}, {}, &fd, 3);
  if (server_ < 0) {
    error_ = "Xvfb could not be started";
    return false;
  }
  const std::string number = ReadAll(fd, 30s, true);
  close(fd);
  const size_t end = number.find('\n');
  if (end == std::string::npos || end == 0) {
    error_ = "Xvfb did not report a display number (is xvfb installed?)";
    return false;
  }
  display_ = ":" + number.substr(0, end);
  return true;
}

void VirtualDesktop::StopServer() {
  if (server_ <= 0) return;
  // A terminated server removes its socket and lock file; a killed one leaves them.
  kill(server_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (waitpid(server_, nullptr, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(server_, SIGKILL);
      waitpid(server_, nullptr, 0);
      break;
    }
    std::this_thread::sleep_for(20ms);
  }
  server_ = -1;
}

bool VirtualDesktop::StartWindowManager() {
  windowManager_ = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/openbox", "--sm-disable"},
                                                  std::map<std::string, std::string>{{"DISPLAY", display_}});
  if (!WaitUntil([this] { return WindowManagerRunning() || !windowManager_->Running(); }, 30s) ||
      !WindowManagerRunning()) {
    error_ = "openbox did not take charge of " + display_ + ": " + windowManager_->Output();
    return false;
  }
  return true;
}

bool VirtualDesktop::WindowManagerRunning() const {
  return Run({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).find("window id #") != std::string::npos;
}

std::map<std::string, std::string> VirtualDesktop::Environment() const {
  // An empty value removes the variable from the started program's environment.
  return {{"DISPLAY", display_}, {"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", ""}};
}

std::string VirtualDesktop::Run(const std::vector<std::string>& argv, int* status,
                                std::chrono::milliseconds timeout) const {
  int fd = -1;
  // Window names and the clipboard are UTF-8, which the tools decode by the locale,
  // whatever locale the test itself runs in.
  const pid_t pid = Spawn(argv, {{"DISPLAY", display_}, {"LC_ALL", "C.UTF-8"}}, &fd);
  if (pid < 0) {
    if (status) *status = -1;
    return std::string();
  }
  std::string out = ReadAll(fd, timeout);
  close(fd);
  int raw = 0;
  if (waitpid(pid, &raw, WNOHANG) == 0) {
    // Still running after its output closed or the time ran out.
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (waitpid(pid, &raw, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &raw, 0);
        break;
      }
      std::this_thread::sleep_for(10ms);
    }
  }
  if (status) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

std::vector<VirtualDesktop::WindowId> VirtualDesktop::FindWindows(pid_t pid, const std::string& nameRegex) const {
  std::vector<std::string> argv{"xdotool", "search", "--all", "--onlyvisible", "--pid", std::to_string(pid)};
  if (!nameRegex.empty()) argv.insert(argv.end(), {"--name", nameRegex});
  std::istringstream lines(Run(argv));
  std::vector<WindowId> windows;
  for (WindowId id; lines >> id;) windows.push_back(id);
  return windows;
}

std::string VirtualDesktop::WindowName(WindowId window) const {
  std::string name = Run({"xdotool", "getwindowname", std::to_string(window)});
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  return name;
}

std::optional<ScreenRect> VirtualDesktop::WindowGeometry(WindowId window) const {
  // xwininfo, not xdotool: the latter counts the window manager's frame twice.
  const std::string info = Run({"xwininfo", "-id", Hex(window)});
  auto value = [&info](const std::string& label) -> std::optional<int> {
    const size_t at = info.find(label);
    if (at == std::string::npos) return std::nullopt;
    return std::atoi(info.c_str() + at + label.size());
  };
  const auto x = value("Absolute upper-left X:"), y = value("Absolute upper-left Y:");
  const auto width = value("Width:"), height = value("Height:");
  if (!x || !y || !width || !height) return std::nullopt;
  return ScreenRect{*x, *y, *width, *height};
}

std::vector<std::string> VirtualDesktop::WindowStates(WindowId window) const {
  const std::string line = Run({"xprop", "-id", Hex(window), "_NET_WM_STATE"});
  std::vector<std::string> states;
  static const std::regex atom("_NET_WM_STATE_[A-Z_]+");
  for (std::sregex_iterator it(line.begin(), line.end(), atom), end; it != end; ++it) states.push_back(it->str());
  return states;
}

bool VirtualDesktop::IsMaximized(WindowId window) const {
  const std::vector<std::string> states = WindowStates(window);
  auto has = [&](const char* s) { return std::find(states.begin(), states.end(), s) != states.end(); };
  return has("_NET_WM_STATE_MAXIMIZED_VERT") && has("_NET_WM_STATE_MAXIMIZED_HORZ");
}

bool VirtualDesktop::Activate(WindowId window) const {
  Run({"xdotool", "windowactivate", "--sync", std::to_string(window)}, nullptr, 10s);
  return WaitUntil([&] { return ActiveWindow() == window; }, 10s);
}

VirtualDesktop::WindowId VirtualDesktop::ActiveWindow() const {
  return std::strtoul(Run({"xdotool", "getactivewindow"}).c_str(), nullptr, 10);
}

void VirtualDesktop::Key(const std::string& keys) const { Run({"xdotool", "key", "--delay", "60", keys}); }

void VirtualDesktop::Type(const std::string& utf8Text) const {
  Run({"xdotool", "type", "--delay", "40", "--", utf8Text}, nullptr, 120s);
}

void VirtualDesktop::MoveMouse(ScreenPoint at) const {
  // Not xdotool's own --sync: it waits for a motion that never comes when the pointer is
  // already there.
  Run({"xdotool", "mousemove", std::to_string(at.x), std::to_string(at.y)});
  const std::string expected = "x:" + std::to_string(at.x) + " y:" + std::to_string(at.y) + " ";
  WaitUntil([&] { return Run({"xdotool", "getmouselocation"}).compare(0, expected.size(), expected) == 0; }, 10s);
}

void VirtualDesktop::Click(ScreenPoint at, int button) const {
  MoveMouse(at);
  Run({"xdotool", "click", std::to_string(button)});
}

void VirtualDesktop::DoubleClick(ScreenPoint at) const {
  MoveMouse(at);
  Run({"xdotool", "click", "--repeat", "2", "--delay", "80", "1"});
}

std::string VirtualDesktop::ClipboardText() const { return Run({"xclip", "-o", "-selection", "clipboard"}); }

std::optional<ScreenImage> VirtualDesktop::Screenshot() const {
  TempDir dir;
  const std::string path = dir / "screen.ppm";
  Run({"import", "-window", "root", "-depth", "8", "ppm:" + path}, nullptr, 60s);
  return ScreenImage::FromPpm(ReadFileOrEmpty(path));
}

bool VirtualDesktop::SaveScreenshot(const std::string& pngPath) const {
  int status = -1;
  Run({"import", "-window", "root", pngPath}, &status, 60s);
  return status == 0;
}

ManagedWindowLog::ManagedWindowLog(const VirtualDesktop& desktop)
    : spy_(std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/xprop", "-root", "-spy", "_NET_CLIENT_LIST"},
                                          std::map<std::string, std::string>{{"DISPLAY", desktop.display()}})) {
  // The first line is the list as it stands; later lines follow each change.
  WaitUntil([this] { return spy_->Output().find('\n') != std::string::npos; }, 10s);
}

ManagedWindowLog::~ManagedWindowLog() = default;

std::vector<VirtualDesktop::WindowId> ManagedWindowLog::Seen() const {
  const std::string log = spy_->Output();
  std::vector<VirtualDesktop::WindowId> seen;
  static const std::regex id("0x[0-9a-fA-F]+");
  for (std::sregex_iterator it(log.begin(), log.end(), id), end; it != end; ++it) {
    const VirtualDesktop::WindowId window = std::strtoul(it->str().c_str(), nullptr, 16);
    if (std::find(seen.begin(), seen.end(), window) == seen.end()) seen.push_back(window);
  }
  return seen;
}
