#include "platform/HandoffMessage.h"

#include <cstring>

namespace platform {
namespace {

const char kOpening[] = "varnok-open";  // sent with its zero byte

}  // namespace

std::optional<std::string> HandoffMessage::Encode(const std::vector<std::string>& items) {
  if (items.size() > kMaxItems) return std::nullopt;
  std::string bytes(kOpening, sizeof kOpening);
  for (const std::string& item : items) {
    if (item.size() > kMaxItemBytes || item.find('\0') != std::string::npos) return std::nullopt;
    bytes += item;
    bytes.push_back('\0');
  }
  return bytes;
}

std::optional<std::vector<std::string>> HandoffMessage::Decode(const std::string& bytes) {
  if (bytes.size() > kMaxBytes || bytes.compare(0, sizeof kOpening, kOpening, sizeof kOpening) != 0)
    return std::nullopt;
  std::vector<std::string> items;
  size_t at = sizeof kOpening;
  while (at < bytes.size()) {
    const size_t end = bytes.find('\0', at);
    if (end == std::string::npos) return std::nullopt;  // the last item is cut off
    if (end - at > kMaxItemBytes || items.size() == kMaxItems) return std::nullopt;
    items.push_back(bytes.substr(at, end - at));
    at = end + 1;
  }
  return items;
}

}  // namespace platform
