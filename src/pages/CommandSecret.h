#pragma once
#include <string>

// The per-run key that the generated pages carry in their command links and form, and
// without which a command changes nothing. A page of another site can neither read our
// pages nor guess the key, so it cannot forge a command.
class CommandSecret {
 public:
  static constexpr const char* kName = "key";

  // "key=" and the secret: the query pair the page writers append.
  static std::string QueryPair(const std::string& secret);
  // True when the (decoded) command URI carries the pair as one of its query pairs.
  static bool IsCarriedBy(const std::string& uri, const std::string& secret);

 private:
  // Compares in time independent of where the texts differ.
  static bool SameText(const std::string& a, const std::string& b);
};
