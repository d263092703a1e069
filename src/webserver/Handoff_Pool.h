#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class HTTP_Handler;

// Threads that may wait: they finish the connections that the accepting threads could
// not serve without waiting (a CGI program, a command, a large file, a lingering close,
// a request head the accepting thread could not wait for among its own). Threads start as they are first needed, up to a
// bound. While all are busy, connections queue here; once the queue is full, an
// accepting thread that hands over one more waits as well, and new clients wait in the
// listen backlog.
class Handoff_Pool {
 public:
  Handoff_Pool(size_t max_threads, size_t max_queued);
  ~Handoff_Pool();
  Handoff_Pool(const Handoff_Pool&) = delete;
  Handoff_Pool& operator=(const Handoff_Pool&) = delete;

  // Queues `handler` for its serve_rest(). False when no thread could be had for it:
  // the caller then serves the rest itself.
  bool hand_over(HTTP_Handler* handler);
  // Lets the threads finish what is queued, then ends them. Called once no more
  // connections are handed over.
  void finish();

 private:
  void run();
  // Starts one more thread; false when the system refuses.
  bool start_thread();

  const size_t max_threads_;
  const size_t max_queued_;
  std::mutex lock_;
  std::condition_variable work_;  // something queued, or finishing
  std::condition_variable room_;  // the queue has room again
  std::deque<HTTP_Handler*> queue_;
  std::vector<std::thread> threads_;
  size_t idle_ = 0;
  bool finishing_ = false;
};
