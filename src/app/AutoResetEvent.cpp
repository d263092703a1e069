#include "app/AutoResetEvent.h"

void AutoResetEvent::Set() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    signalled_ = true;
  }
  changed_.notify_one();
}

void AutoResetEvent::Wait() {
  std::unique_lock<std::mutex> hold(mutex_);
  changed_.wait(hold, [this] { return signalled_; });
  signalled_ = false;
}

bool AutoResetEvent::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> hold(mutex_);
  if (!changed_.wait_for(hold, timeout, [this] { return signalled_; })) return false;
  signalled_ = false;
  return true;
}
