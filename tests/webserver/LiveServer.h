#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/AppState.h"
#include "support/TempDir.h"
#include "webserver/Stop_Signal.h"

// An embedded server running in this process on a loopback port the system picks, with
// its own program directory (state, pages) and document root `root()`; the test fails at
// once when it does not come up. Stopped as the program does it: quit flag, then the
// wake-up request.
class LiveServer {
 public:
  // `options` replace the port and strategy words of the program's own vector.
  explicit LiveServer(std::vector<std::string> options = {});
  ~LiveServer();

  int port() const { return port_; }
  AppState& state() { return *state_; }
  const TempDir& dir() const { return dir_; }
  std::string root() const { return dir_.path() + "root/"; }
  std::string factory() const { return factory_; }
  std::string Exchange(const std::string& request) const;
  // Ends the server; the run's result.
  int Stop();

 private:
  TempDir dir_;
  std::unique_ptr<AppState> state_;
  int port_ = 0;
  int result_ = 1;
  std::string factory_;
  Stop_Signal stop_;
  std::atomic<bool> ended_{false};
  std::thread thread_;
};

// The success headers of a page of our own (scj.htm, menu.htm, sysmsg.htm, guanggao.htm)
// and of every other file, which runs sandboxed.
extern const std::string kOwnPageOk;
extern const std::string kFileOk;

// The server's whole error answer as a client of `version` sees it.
std::string ErrorAnswer(const std::string& version, int status, const std::string& phrase, const std::string& reason);
