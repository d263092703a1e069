#include "app/WorkerThread.h"

#include <algorithm>

WorkerMessage::WorkerMessage() = default;

WorkerMessage::WorkerMessage(const WorkerMessage& other) : numbers(other.numbers), text(other.text) {
  text.back() = '\0';
}

WorkerMessage& WorkerMessage::operator=(const WorkerMessage& other) {
  numbers = other.numbers;
  text = other.text;
  text.back() = '\0';
  return *this;
}

WorkerThread::WorkerThread() : thread_(&WorkerThread::ThreadMain, this) {}

WorkerThread::~WorkerThread() {
  EndThread();
  std::lock_guard<std::mutex> hold(queueLock_);
  queue_.clear();
}

void WorkerThread::ThreadMain() {
  bool runIt;
  {
    std::unique_lock<std::mutex> hold(gateLock_);
    gateChanged_.wait(hold, [this] { return resumed_ || abandoned_; });
    runIt = resumed_;
  }
  if (runIt) run();
  {
    std::lock_guard<std::mutex> hold(gateLock_);
    finished_ = true;
  }
  gateChanged_.notify_all();
}

void WorkerThread::start() {
  if (started_.exchange(true)) return;
  {
    std::lock_guard<std::mutex> hold(gateLock_);
    resumed_ = true;
  }
  gateChanged_.notify_all();
}

void WorkerThread::stop() { signal_and_wait(); }

bool WorkerThread::stop_within(std::chrono::milliseconds timeout) {
  if (!started_.load() || !thread_.joinable()) return true;
  event_.Set();
  return WaitUntilFinished(timeout);
}

void WorkerThread::signal_and_wait() { stop_within(kStopTimeout); }

bool WorkerThread::WaitUntilFinished(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> hold(gateLock_);
  return gateChanged_.wait_for(hold, timeout, [this] { return finished_; });
}

void WorkerThread::EndThread() {
  signal_and_wait();
  if (!thread_.joinable()) return;
  bool finished;
  {
    std::lock_guard<std::mutex> hold(gateLock_);
    if (!resumed_) abandoned_ = true;
    finished = finished_;
  }
  gateChanged_.notify_all();
  if (finished || !resumed_ || WaitUntilFinished(kStopTimeout))
    thread_.join();
  else
    thread_.detach();
}

int WorkerThread::post(const WorkerMessage& message, int synchronous) {
  if (synchronous) return handle(message, synchronous);
  {
    std::lock_guard<std::mutex> hold(queueLock_);
    queue_.push_back(message);
  }
  event_.Set();
  return 0;
}

int WorkerThread::pop(WorkerMessage& message) {
  int result;
  bool more;
  {
    std::lock_guard<std::mutex> hold(queueLock_);
    if (queue_.empty()) {
      result = 1;
    } else {
      message = queue_.front();
      queue_.pop_front();
      result = 0;
    }
    more = !queue_.empty();
  }
  // One signal wakes one wait: re-signal so that the next message is not stranded.
  if (more) event_.Set();
  return result;
}

int WorkerThread::handle(const WorkerMessage&, int) { return 0; }

int WorkerThread::run() {
  while (started_.load()) {
    event_.Wait();
    WorkerMessage message;
    if (pop(message) == 1)
      started_.store(false);
    else
      handle(message, 0);
  }
  return 0;
}
