#pragma once
#include <string>
#include <vector>

namespace platform {

// The later launch's end of the hand-off.
class HandoffSender {
 public:
  // Delivers `items` to the program listening at `socketPath` and returns its answer.
  // False (with the reason in `error`) when nothing of this account listens there, the
  // items break the message bounds, or no answer comes in time.
  static bool Send(const std::string& socketPath, const std::vector<std::string>& items, std::string* answer,
                   std::string* error);
};

}  // namespace platform
