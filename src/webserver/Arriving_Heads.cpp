#include "webserver/Arriving_Heads.h"

#include "webserver/HTTP_Handler.h"

Arriving_Heads::~Arriving_Heads() {
  for (const auto& [handler, deadline] : deadlines_) {
    waiter_.unwatch(handler->handle());
    handler->abandon();
  }
}

bool Arriving_Heads::add(HTTP_Handler* handler) {
  if (deadlines_.size() >= kMaxWaiting || !waiter_.watch(handler->handle(), handler)) return false;
  const Clock::time_point deadline = handler->head_deadline();
  deadlines_.emplace(handler, deadline);
  by_deadline_.emplace(deadline, handler);
  return true;
}

HTTP_Handler* Arriving_Heads::take(void* tag) {
  const auto found = deadlines_.find(static_cast<HTTP_Handler*>(tag));
  if (found == deadlines_.end()) return nullptr;
  HTTP_Handler* handler = found->first;
  by_deadline_.erase({found->second, handler});
  deadlines_.erase(found);
  return handler;
}

std::vector<HTTP_Handler*> Arriving_Heads::take_expired() {
  std::vector<HTTP_Handler*> expired;
  const Clock::time_point now = Clock::now();
  while (!by_deadline_.empty() && by_deadline_.begin()->first <= now) {
    HTTP_Handler* handler = by_deadline_.begin()->second;
    // Still armed: a report of it must not outlive the handler.
    waiter_.unwatch(handler->handle());
    by_deadline_.erase(by_deadline_.begin());
    deadlines_.erase(handler);
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
