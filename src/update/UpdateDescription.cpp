#include "update/UpdateDescription.h"

namespace {

// The bytes between `open` and the next `close` after it, both searched from `from`.
std::optional<std::string> Between(const std::string& text, size_t from, const std::string& open,
                                   const std::string& close) {
  size_t start = text.find(open, from);
  if (start == std::string::npos) return std::nullopt;
  start += open.size();
  // The closing tag is looked for after the opening one: one that stands before it
  // would otherwise give a negative length.
  size_t end = text.find(close, start);
  if (end == std::string::npos) return std::nullopt;
  return text.substr(start, end - start);
}

}  // namespace

std::optional<UpdateDescription> UpdateDescription::Parse(const std::string& document) {
  // The earlier releases read the document as a zero-terminated buffer.
  const std::string text = document.substr(0, document.find('\0')).substr(0, kMaxBytes);
  if (text.find(kMarker) == std::string::npos) return std::nullopt;
  size_t software = text.find("<software>");
  if (software == std::string::npos) return std::nullopt;
  std::optional<std::string> version = Between(text, software, "<version>", "</version>");
  std::optional<std::string> md5 = Between(text, software, "<md5>", "</md5>");
  if (!version || !md5) return std::nullopt;
  std::optional<std::string> signature = Between(text, software, "<signature>", "</signature>");
  return UpdateDescription{*version, *md5, signature.value_or(std::string())};
}
