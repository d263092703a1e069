#pragma once
#include <atomic>
#include <chrono>

// Tells a running server to stop, from any thread, in a way its accept loop can wait
// for together with its listening sockets: a descriptor that becomes readable once
// request() has been called. Unlike the wake-up connection it cannot be held up by a
// full listen queue.
class Stop_Signal {
 public:
  Stop_Signal();
  ~Stop_Signal();
  Stop_Signal(const Stop_Signal&) = delete;
  Stop_Signal& operator=(const Stop_Signal&) = delete;

  void request();
  bool requested() const { return requested_.load(); }
  // Readable once stop is requested (-1 if the descriptor could not be made; the
  // server then notices the request at its next wake-up).
  int handle() const { return fd_; }
  // Sleeps for `pause` or until stop is requested, whichever comes first.
  void sleep_for(std::chrono::milliseconds pause) const;
  // Sleeps until stop is requested.
  void wait() const;

 private:
  std::atomic<bool> requested_{false};
  int fd_ = -1;
};
