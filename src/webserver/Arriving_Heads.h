#pragma once
#include <chrono>
#include <set>
#include <unordered_set>
#include <utility>
#include <vector>

#include "webserver/HTTP_Acceptor.h"

class HTTP_Handler;

// The connections one accepting thread took whose request head is still arriving. They
// wait in the thread's own wait for connections rather than each holding a pool thread,
// and the thread goes on with each as its bytes come; a client that has not completed
// its head by its deadline is given up on. So clients that trickle hold a little memory
// and no thread, and a complete request arriving among many of them is served at once.
class Arriving_Heads {
 public:
  using Clock = std::chrono::steady_clock;
  // Beyond this many waiting on one thread, a connection waits on the pool instead.
  static constexpr size_t kMaxWaiting = 512;

  explicit Arriving_Heads(HTTP_Acceptor::Waiter& waiter) : waiter_(waiter) {}
  // Gives up on every connection still waiting.
  ~Arriving_Heads();
  Arriving_Heads(const Arriving_Heads&) = delete;
  Arriving_Heads& operator=(const Arriving_Heads&) = delete;

  // Waits for more of `handler`'s request head. False when it cannot wait here.
  bool add(HTTP_Handler* handler);
  // The waiting handler whose socket the waiter reported with `tag`, no longer waiting;
  // null for a tag that waits here no more.
  HTTP_Handler* take(void* tag);
  // The handlers whose deadline has passed, no longer waiting.
  std::vector<HTTP_Handler*> take_expired();
  // Until the nearest deadline, rounded up; -1 when nothing waits.
  int milliseconds_to_deadline() const;

 private:
  HTTP_Acceptor::Waiter& waiter_;
  // Looked up by the tag alone: a reported tag is never followed before it is found.
  std::unordered_set<HTTP_Handler*> waiting_;
  std::set<std::pair<Clock::time_point, HTTP_Handler*>> by_deadline_;
};
