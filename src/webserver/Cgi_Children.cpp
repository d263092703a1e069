#include "webserver/Cgi_Children.h"

#include <sys/wait.h>

#include <algorithm>

void Cgi_Children::add(pid_t child) {
  std::lock_guard<std::mutex> hold(lock_);
  running_.push_back(child);
}

void Cgi_Children::reap() {
  std::lock_guard<std::mutex> hold(lock_);
  running_.erase(std::remove_if(running_.begin(), running_.end(),
                                [](pid_t child) { return ::waitpid(child, nullptr, WNOHANG) != 0; }),
                 running_.end());
}

void Cgi_Children::wait_all() {
  std::lock_guard<std::mutex> hold(lock_);
  for (pid_t child : running_) ::waitpid(child, nullptr, 0);
  running_.clear();
}
