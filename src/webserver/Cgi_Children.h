#pragma once
#include <sys/types.h>

#include <mutex>
#include <vector>

// The CGI programs started by a server and not yet reaped. Programs are started from
// every serving thread and reaped after each connection, so the list is locked.
class Cgi_Children {
 public:
  void add(pid_t child);
  // Collects every program that has ended, without waiting for the others.
  void reap();
  // Waits until every program started so far has ended (the whole-request fuzz target
  // runs thousands of them and must not leave them behind).
  void wait_all();

 private:
  std::mutex lock_;
  std::vector<pid_t> running_;
};
