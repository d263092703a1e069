#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What a later launch of the program sends to the running one: a fixed opening word,
// then each item (an address) followed by a zero byte. Both sides keep to the bounds, so
// a message never grows without limit, whoever sends it.
struct HandoffMessage {
  static constexpr size_t kMaxItems = 32;
  static constexpr size_t kMaxItemBytes = 8192;
  static constexpr size_t kMaxBytes = 16 + kMaxItems * (kMaxItemBytes + 1);

  // The message for `items`; nothing when there are too many, one is too long or
  // holds a zero byte.
  static std::optional<std::string> Encode(const std::vector<std::string>& items);
  // The items of a whole message; nothing for anything that Encode would not have made.
  static std::optional<std::vector<std::string>> Decode(const std::string& bytes);
};

}  // namespace platform
