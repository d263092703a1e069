#pragma once
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <thread>

#include "app/AutoResetEvent.h"
#include "app/Singletons.h"

// A small record carried by a worker's queue: 16 bytes of numbers and a 40-byte text
// whose last byte is always zero.
class WorkerMessage : public SmallValueObjectBase {
 public:
  WorkerMessage();
  WorkerMessage(const WorkerMessage& other);
  WorkerMessage& operator=(const WorkerMessage& other);
  virtual ~WorkerMessage() = default;

  std::array<uint8_t, 16> numbers{};
  std::array<char, 40> text{};
};

// A long-lived background thread with a wake-up event and a locked FIFO of messages.
// The thread exists from construction but runs `run` only once `start` is called.
// A subclass that overrides `run` must call EndThread() in its own destructor, so
// that the thread has left the subclass's code before the subclass is torn down.
class WorkerThread : public SmallObjectBase {
 public:
  static constexpr std::chrono::milliseconds kStopTimeout{180000};

  WorkerThread();
  ~WorkerThread() override;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Lets the thread run; a second call does nothing.
  virtual void start();
  // Signals the event and waits for the thread to end, at most kStopTimeout.
  virtual void stop();
  // The same with a wait of at most `timeout`; true when the thread's body has ended
  // (or never ran).
  bool stop_within(std::chrono::milliseconds timeout);
  // Synchronous (non-zero flag): handle() on the caller's thread, its result returned.
  // Otherwise the message is queued, the event signalled, and 0 returned.
  virtual int post(const WorkerMessage& message, int synchronous);
  // The thread's body; the base version is the message loop.
  virtual int run();
  // Handles one message; the base version does nothing and returns 0.
  virtual int handle(const WorkerMessage& message, int synchronous);
  // Takes the oldest message: 0 when one was taken, 1 when the queue was empty.
  virtual int pop(WorkerMessage& message);

  bool started() const { return started_.load(); }

 protected:
  void set_started(bool on) { started_.store(on); }
  AutoResetEvent& event() { return event_; }
  // If the worker runs: signal it and wait (at most kStopTimeout) for its body to end.
  void signal_and_wait();
  // What the destructor does: signal_and_wait(), then release the thread (a thread
  // that never started is let go without running; one still busy after the time-out
  // is left to end on its own).
  void EndThread();

 private:
  void ThreadMain();
  bool WaitUntilFinished(std::chrono::milliseconds timeout);

  mutable std::mutex queueLock_;
  std::list<WorkerMessage> queue_;
  std::atomic<bool> started_{false};
  AutoResetEvent event_;

  // The "suspended" gate: the thread waits here until start() or destruction.
  std::mutex gateLock_;
  std::condition_variable gateChanged_;
  bool resumed_ = false;
  bool abandoned_ = false;
  bool finished_ = false;
  std::thread thread_;
};
