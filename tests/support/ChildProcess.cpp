#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "support/TempDir.h"

extern char** environ;

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extraEnv,
                           const std::string& workingDirectory) {
  char pattern[] = "/tmp/varnok-child-XXXXXX";
  int out = mkstemp(pattern);
  outputPath_ = pattern;
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(out, 1);
    dup2(out, 2);
    if (chdir(workingDirectory.c_str()) != 0) _exit(126);
    for (const auto& [name, value] : extraEnv) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out);
}

ChildProcess::~ChildProcess() {
  if (!status_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  unlink(outputPath_.c_str());
}

void ChildProcess::Signal(int sig) const { kill(pid_, sig); }

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
  WaitUntil([this] { return !Running(); }, timeout);
  return status_;
}

bool ChildProcess::Running() {
  if (status_) return false;
  int raw = 0;
  if (waitpid(pid_, &raw, WNOHANG) != pid_) return true;
  status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return false;
}

std::string ChildProcess::Output() const { return ReadFileOrEmpty(outputPath_); }

std::string InstallProgramCopy(const std::string& directory, const std::string& name) {
  const char* binary = std::getenv("VARNOK_BINARY");
  if (!binary) throw std::runtime_error("VARNOK_BINARY is not set");
  std::filesystem::create_directories(directory);
  std::string target = directory + (directory.back() == '/' ? "" : "/") + name;
  std::filesystem::copy_file(binary, target, std::filesystem::copy_options::overwrite_existing);
  return target;
}

std::string UniqueSiteUrl() {
  static std::atomic<int> counter{0};
  return "http://test-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".varnok.invalid/";
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}
