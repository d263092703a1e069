#include "webserver/Arriving_Heads.h"

#include "webserver/HTTP_Handler.h"

Arriving_Heads::~Arriving_Heads() {
  for (HTTP_Handler* handler : waiting_) {
    waiter_.unwatch(handler->handle());
    handler->abandon();
  }
}

bool Arriving_Heads::add(HTTP_Handler* handler) {
  if (waiting_.size() >= kMaxWaiting || !waiter_.watch(handler->handle(), handler)) return false;
  waiting_.insert(handler);
  by_deadline_.emplace(handler->head_deadline(), handler);
  return true;
}

HTTP_Handler* Arriving_Heads::take(void* tag) {
  HTTP_Handler* handler = static_cast<HTTP_Handler*>(tag);
  if (waiting_.erase(handler) == 0) return nullptr;
  by_deadline_.erase({handler->head_deadline(), handler});
  return handler;
}

std::vector<HTTP_Handler*> Arriving_Heads::take_expired() {
  std::vector<HTTP_Handler*> expired;
  if (by_deadline_.empty()) return expired;
  const Clock::time_point now = Clock::now();
  while (!by_deadline_.empty() && by_deadline_.begin()->first <= now) {
    HTTP_Handler* handler = by_deadline_.begin()->second;
    // Still armed: a report of it must not outlive the handler.
    waiter_.unwatch(handler->handle());
    by_deadline_.erase(by_deadline_.begin());
    waiting_.erase(handler);
    expired.push_back(handler);
  }
  return expired;
}

int Arriving_Heads::milliseconds_to_deadline() const {
  if (by_deadline_.empty()) return -1;
  const auto left = by_deadline_.begin()->first - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}
