#include "webserver/Cgi_Children.h"

#include <sys/wait.h>

#include <algorithm>

void Cgi_Children::add(pid_t child) {
  std::lock_guard<std::mutex> hold(lock_);
  running_.push_back(child);
  count_.store(running_.size());
}

void Cgi_Children::reap() {
  if (count_.load() == 0) return;
  std::lock_guard<std::mutex> hold(lock_);
  running_.erase(std::remove_if(running_.begin(), running_.end(),
                                [](pid_t child) { return ::waitpid(child, nullptr, WNOHANG) != 0; }),
                 running_.end());
  count_.store(running_.size());
}

void Cgi_Children::wait_all() {
  std::lock_guard<std::mutex> hold(lock_);
  for (pid_t child : running_) ::waitpid(child, nullptr, 0);
  running_.clear();
  count_.store(0);
}
