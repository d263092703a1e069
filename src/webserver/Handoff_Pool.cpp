#include "webserver/Handoff_Pool.h"

#include <ace/Log_Msg.h>

#include <system_error>

#include "webserver/HTTP_Handler.h"

Handoff_Pool::Handoff_Pool(size_t max_threads, size_t max_queued)
    : max_threads_(max_threads > 0 ? max_threads : 1), max_queued_(max_queued > 0 ? max_queued : 1) {}

Handoff_Pool::~Handoff_Pool() { finish(); }

bool Handoff_Pool::hand_over(HTTP_Handler* handler) {
  std::unique_lock<std::mutex> hold(lock_);
  room_.wait(hold, [this] { return finishing_ || queue_.size() < max_queued_; });
  queue_.push_back(handler);
  // Every idle thread takes one queued connection; a thread starts for each one more.
  if (queue_.size() > idle_ && threads_.size() < max_threads_ && !start_thread() && threads_.empty()) {
    queue_.pop_back();
    return false;
  }
  work_.notify_one();
  return true;
}

bool Handoff_Pool::start_thread() {
  try {
    threads_.emplace_back([this] { run(); });
    return true;
  } catch (const std::system_error& failure) {
    ACE_ERROR((LM_ERROR, "(%t) no thread for a waiting connection: %s\n", failure.what()));
    return false;
  }
}

void Handoff_Pool::run() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    ++idle_;
    work_.wait(hold, [this] { return finishing_ || !queue_.empty(); });
    --idle_;
    if (queue_.empty()) return;
    HTTP_Handler* handler = queue_.front();
    queue_.pop_front();
    room_.notify_one();
    hold.unlock();
    handler->serve_rest();
    hold.lock();
  }
}

void Handoff_Pool::finish() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> hold(lock_);
    finishing_ = true;
    threads.swap(threads_);
  }
  work_.notify_all();
  room_.notify_all();
  for (std::thread& thread : threads) thread.join();
}
