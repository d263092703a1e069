#pragma once
#include <optional>
#include <string>
#include <vector>

// A dotted version number such as "1.0.0.10", compared field by field as numbers, so
// "1.0.0.10" is newer than "1.0.0.9"; missing fields count as 0 ("1.1" equals "1.1.0.0").
class VersionNumber {
 public:
  // Empty unless the text is one or more fields of decimal digits joined by single dots,
  // with nothing else: no blanks, signs or line ends.
  static std::optional<VersionNumber> Parse(const std::string& text);

  bool operator<(const VersionNumber& other) const { return Compare(other) < 0; }

 private:
  // Each field without its leading zeros, so fields of any length compare exactly.
  std::vector<std::string> fields_;

  int Compare(const VersionNumber& other) const;
};

// True only when both texts are version numbers and `offered` is the greater one.
bool IsNewerVersion(const std::string& offered, const std::string& ours);
