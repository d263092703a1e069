#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The configuration file format of varnok.ini, read with the rules of the classic
// private-profile reader: section and key names ignore letter case; only the first
// section of a name counts (a later one of the same name is skipped whole) and within
// it the first occurrence of a key wins; white space (CR included) around names and
// values is ignored, so CR LF and CR CR LF line ends read alike; a value ends at a NUL
// byte and loses one pair of enclosing quotes (' or "). A value longer than
// kMaxValueLength bytes is left out whole: the classic reader cut it, often inside a
// character, and the cut address was saved so.
//
// The parsed file keeps its bytes and only notes where each section's lines lie; a
// look-up reads those lines again, so loading a list of any length costs two passes
// over its lines and no allocation per key.
class IniFile {
 public:
  static constexpr size_t kMaxValueLength = 8192;

  // Parses file bytes; lines that are neither a section header nor key=value are skipped.
  static IniFile Parse(std::string bytes);
  // Reads the file at `path`; false (and an empty IniFile) when it cannot be read.
  static bool Load(const std::string& path, IniFile* out);

  // The value of section/key, or empty when missing. `tooLong`, when given, receives
  // "[section] key" for each value left out for its length.
  std::string Get(std::string_view section, std::string_view key, std::vector<std::string>* tooLong = nullptr) const;

  // Values of url1, url2, ... of a section, stopping at the first missing or empty key;
  // a value left out for its length ends nothing, the next key follows.
  std::vector<std::string> UrlList(std::string_view section, std::vector<std::string>* tooLong = nullptr) const;

 private:
  // Calls visit(key, value) for each key=value line of a section body, in file order.
  template <class Visit>
  static void ForEachEntry(std::string_view body, Visit visit);
  // The lines between a section's header and the next header; empty view when missing.
  const std::string_view* Find(std::string_view section) const;

  std::shared_ptr<const std::string> bytes_;  // what the views point into; never moves
  std::unordered_map<std::string, std::string_view> sections_;  // lower-case name -> body
};

// Builds the bytes of varnok.ini as the program saves it: [global] version 1.0, then
// [homeurl], [history] and [soucangjia] with url1..urlN, lines ending in CR LF and
// one empty line at the end.
std::string FormatVarnokIni(const std::string& homeUrl, const std::vector<std::string>& history,
                            const std::vector<std::string>& favorites);
