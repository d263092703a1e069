#include "app/IniFile.h"

#include "platform/FileUtil.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& text, size_t begin, size_t end) {
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Names compare without regard to ASCII letter case; GBK bytes are left alone.
std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// A value must stay on its own line, or a saved address could forge sections and keys.
std::string OneLine(const std::string& value) { return value.substr(0, value.find_first_of("\r\n")); }

}  // namespace

IniFile IniFile::Parse(const std::string& bytes) {
  IniFile ini;
  Section* current = nullptr;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string line = Trim(bytes, pos, end);
    pos = end + 1;
    if (line.empty()) continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      if (close == std::string::npos) continue;
      current = &ini.sections_[Lower(Trim(line, 1, close))];
      continue;
    }
    size_t eq = line.find('=');
    if (!current || eq == std::string::npos) continue;
    current->emplace(Lower(Trim(line, 0, eq)), Trim(line, eq + 1, line.size()));
  }
  return ini;
}

bool IniFile::Load(const std::string& path, IniFile* out) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, &bytes)) {
    *out = IniFile();
    return false;
  }
  *out = Parse(bytes);
  return true;
}

std::string IniFile::Get(const std::string& section, const std::string& key) const {
  auto s = sections_.find(Lower(section));
  if (s == sections_.end()) return std::string();
  auto k = s->second.find(Lower(key));
  if (k == s->second.end()) return std::string();
  return k->second.substr(0, kMaxValueLength);
}

std::vector<std::string> IniFile::UrlList(const std::string& section) const {
  std::vector<std::string> values;
  auto s = sections_.find(Lower(section));
  if (s == sections_.end()) return values;
  for (size_t i = 1;; ++i) {
    auto k = s->second.find("url" + std::to_string(i));
    if (k == s->second.end() || k->second.empty()) break;
    values.push_back(k->second.substr(0, kMaxValueLength));
  }
  return values;
}

std::string FormatVarnokIni(const std::string& homeUrl, const std::vector<std::string>& history,
                            const std::vector<std::string>& favorites) {
  std::string out = "[global]\r\nversion=1.0\r\n[homeurl]\r\nurl1=" + OneLine(homeUrl) + "\r\n";
  auto appendList = [&out](const char* header, const std::vector<std::string>& list) {
    out += header;
    for (size_t i = 0; i < list.size(); ++i) out += "url" + std::to_string(i + 1) + "=" + OneLine(list[i]) + "\r\n";
  };
  appendList("[history]\r\n", history);
  appendList("[soucangjia]\r\n", favorites);
  out += "\r\n";
  return out;
}
