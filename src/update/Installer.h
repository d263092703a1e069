#pragma once
#include <chrono>
#include <functional>
#include <string>

// Copies a downloaded program over the installed one. The installed program may still
// be closing (saving varnok.ini) when the installer starts, so the copy is tried again
// and again; it waits while any other process still runs the target, because on Linux
// the file itself could be replaced at once and the new program would then read a
// state file that is not yet written.
class Installer {
 public:
  struct Options {
    int attempts = 90;
    std::chrono::milliseconds interval{500};  // the attempts span about 45 s
    std::function<bool(const std::string& path)> targetBusy;  // default: another process runs it

    // The defaults; VARNOK_INSTALL_RETRY_MS changes the interval.
    static Options FromEnvironment();
  };

  Installer(std::string source, std::string target, Options options);

  // True once a copy succeeded, false when every attempt failed.
  bool CopyOver() const;

  // One attempt: the bytes go to a temporary file beside the target, which is made
  // executable and renamed over it, so the target is never half written.
  static bool CopyOnce(const std::string& source, const std::string& target);

 private:
  std::string source_;
  std::string target_;
  Options options_;
};
