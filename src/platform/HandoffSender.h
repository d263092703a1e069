#pragma once
#include <chrono>
#include <string>
#include <vector>

namespace platform {

// The later launch's end of the hand-off.
class HandoffSender {
 public:
  // The running program answers once its listener has taken the message; it may be busy
  // with other senders first, and their connections may fill its queue.
  static constexpr std::chrono::seconds kDeadline{10};

  // Delivers `items` to the program listening at `socketPath` and returns its answer.
  // False (with the reason in `error`) when nothing of this account listens there, the
  // items break the message bounds, or the connection or the answer does not come
  // within `deadline` each.
  static bool Send(const std::string& socketPath, const std::vector<std::string>& items, std::string* answer,
                   std::string* error, std::chrono::milliseconds deadline = kDeadline);
};

}  // namespace platform
