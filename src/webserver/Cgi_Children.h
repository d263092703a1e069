#pragma once
#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <vector>

// The CGI programs started by a server and not yet reaped. Programs are started from
// every serving thread and reaped after each connection, so the list is locked.
class Cgi_Children {
 public:
  void add(pid_t child);
  // Collects every program that has ended, without waiting for the others; costs next
  // to nothing when none was started.
  void reap();
  // Waits until every program started so far has ended (the whole-request fuzz target
  // runs thousands of them and must not leave them behind).
  void wait_all();

 private:
  std::mutex lock_;
  std::vector<pid_t> running_;
  std::atomic<size_t> count_{0};  // running_.size(), readable without the lock
};
