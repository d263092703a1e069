#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

// An event that releases one waiter per signal and then resets itself; a signal with
// no waiter stays set until the next wait takes it.
class AutoResetEvent {
 public:
  void Set();
  // Waits without a time limit.
  void Wait();
  // True when signalled, false when the time ran out.
  bool WaitFor(std::chrono::milliseconds timeout);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;
};
