#pragma once
#include <string>
#include <unordered_map>
#include <vector>

// The configuration file format of varnok.ini, read with the rules of the classic
// private-profile reader: section and key names ignore letter case, the first
// occurrence wins, white space (CR included) around names and values is ignored, so
// CR LF and CR CR LF line ends read alike, and a value is cut at kMaxValueLength bytes.
class IniFile {
 public:
  static constexpr size_t kMaxValueLength = 258;

  // Parses file bytes; lines that are neither a section header nor key=value are skipped.
  static IniFile Parse(const std::string& bytes);
  // Reads the file at `path`; false (and an empty IniFile) when it cannot be read.
  static bool Load(const std::string& path, IniFile* out);

  // The value of section/key cut to kMaxValueLength bytes, or empty when missing.
  std::string Get(const std::string& section, const std::string& key) const;

  // Values of url1, url2, ... of a section, stopping at the first missing or empty key.
  std::vector<std::string> UrlList(const std::string& section) const;

 private:
  using Section = std::unordered_map<std::string, std::string>;
  std::unordered_map<std::string, Section> sections_;
};

// Builds the bytes of varnok.ini as the program saves it: [global] version 1.0, then
// [homeurl], [history] and [soucangjia] with url1..urlN, lines ending in CR LF and
// one empty line at the end.
std::string FormatVarnokIni(const std::string& homeUrl, const std::vector<std::string>& history,
                            const std::vector<std::string>& favorites);
