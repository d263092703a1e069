#include "update/VersionNumber.h"

#include <algorithm>

namespace {

bool AllDigits(const std::string& field) {
  if (field.empty()) return false;
  for (char c : field)
    if (c < '0' || c > '9') return false;
  return true;
}

int CompareFields(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const int order = a.compare(b);
  return (order > 0) - (order < 0);
}

}  // namespace

std::optional<VersionNumber> VersionNumber::Parse(const std::string& text) {
  VersionNumber version;
  size_t start = 0;
  while (true) {
    const size_t dot = text.find('.', start);
    std::string field = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (!AllDigits(field)) return std::nullopt;
    field.erase(0, field.find_first_not_of('0'));  // "000" becomes "", the zero field
    version.fields_.push_back(field);
    if (dot == std::string::npos) return version;
    start = dot + 1;
  }
}

int VersionNumber::Compare(const VersionNumber& other) const {
  const size_t count = std::max(fields_.size(), other.fields_.size());
  for (size_t i = 0; i < count; ++i) {
    const std::string& mine = i < fields_.size() ? fields_[i] : std::string();
    const std::string& theirs = i < other.fields_.size() ? other.fields_[i] : std::string();
    if (int order = CompareFields(mine, theirs)) return order;
  }
  return 0;
}

bool IsNewerVersion(const std::string& offered, const std::string& ours) {
  std::optional<VersionNumber> candidate = VersionNumber::Parse(offered);
  std::optional<VersionNumber> current = VersionNumber::Parse(ours);
  return candidate && current && *current < *candidate;
}
