#include "app/IniFile.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "platform/FileUtil.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Names compare without regard to ASCII letter case; GBK bytes are left alone.
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// What the reader makes of the text after "=": it ends at a NUL byte, white space
// around it is dropped, and one pair of matching enclosing quotes is removed.
std::string_view ReadValue(std::string_view raw) {
  std::string_view value = Trim(raw.substr(0, raw.find('\0')));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value;
}

bool Fits(std::string_view value) { return value.size() <= IniFile::kMaxValueLength; }

void NoteTooLong(std::vector<std::string>* tooLong, std::string_view section, std::string_view key) {
  if (tooLong) tooLong->push_back("[" + std::string(section) + "] " + std::string(key));
}

// n for a key spelled "url<n>" (any letter case, n from 1 without leading zeros and at
// most `limit`), 0 for every other key.
size_t UrlKeyNumber(std::string_view key, size_t limit) {
  if (key.size() < 4 || !SameName(key.substr(0, 3), "url") || key[3] == '0') return 0;
  size_t n = 0;
  for (char c : key.substr(3)) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + static_cast<size_t>(c - '0');
    if (n > limit) return 0;
  }
  return n;
}

// Calls visit(line, start, next) for each line of `text`, trimmed, with where it starts
// and where the next one does; stops when visit returns false.
template <class Visit>
void ForEachLine(std::string_view text, Visit visit) {
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const size_t start = pos;
    pos = std::min(end + 1, text.size());
    if (!visit(Trim(text.substr(start, end - start)), start, pos)) return;
  }
}

// A value must stay on its own line, or a saved address could forge sections and keys.
std::string_view OneLine(const std::string& value) {
  return std::string_view(value).substr(0, value.find_first_of("\r\n"));
}

}  // namespace

template <class Visit>
void IniFile::ForEachEntry(std::string_view body, Visit visit) {
  ForEachLine(body, [&](std::string_view line, size_t, size_t) {
    const size_t eq = line.find('=');
    return eq == std::string_view::npos || visit(Trim(line.substr(0, eq)), ReadValue(line.substr(eq + 1)));
  });
}

IniFile IniFile::Parse(std::string bytes) {
  IniFile ini;
  ini.bytes_ = std::make_shared<const std::string>(std::move(bytes));
  const std::string_view text(*ini.bytes_);
  std::string_view* body = nullptr;  // the section being collected; none before the first header
  size_t bodyStart = 0;
  auto closeBody = [&](size_t end) {
    if (body) *body = text.substr(bodyStart, end - bodyStart);
  };
  ForEachLine(text, [&](std::string_view line, size_t lineStart, size_t next) {
    const size_t close = line.empty() || line.front() != '[' ? std::string_view::npos : line.find(']');
    if (close == std::string_view::npos) return true;
    closeBody(lineStart);
    // A repeated section is skipped whole: its keys neither add to nor replace the first.
    auto [slot, isNew] = ini.sections_.try_emplace(Lower(Trim(line.substr(1, close - 1))));
    body = isNew ? &slot->second : nullptr;
    bodyStart = next;
    return true;
  });
  closeBody(text.size());
  return ini;
}

bool IniFile::Load(const std::string& path, IniFile* out) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, &bytes)) {
    *out = IniFile();
    return false;
  }
  *out = Parse(std::move(bytes));
  return true;
}

const std::string_view* IniFile::Find(std::string_view section) const {
  auto found = sections_.find(Lower(section));
  return found == sections_.end() ? nullptr : &found->second;
}

std::string IniFile::Get(std::string_view section, std::string_view key, std::vector<std::string>* tooLong) const {
  const std::string_view* body = Find(section);
  std::optional<std::string_view> value;
  if (body)
    ForEachEntry(*body, [&](std::string_view k, std::string_view v) {
      if (SameName(k, key)) value = v;
      return !value;
    });
  if (!value) return std::string();
  if (Fits(*value)) return std::string(*value);
  NoteTooLong(tooLong, section, key);
  return std::string();
}

std::vector<std::string> IniFile::UrlList(std::string_view section, std::vector<std::string>* tooLong) const {
  std::vector<std::string> values;
  const std::string_view* body = Find(section);
  if (!body) return values;
  // The list grows while the section is read: the saved file holds url1, url2, ... in
  // order, so each key is usually the next one wanted. A key that comes early waits
  // aside until its turn; a later repeat of a taken key is ignored (the first wins).
  std::unordered_map<size_t, std::string_view> early;
  size_t next = 1;
  bool ended = false;
  auto take = [&](std::string_view value) {
    ended = value.empty();
    if (!ended && Fits(value))
      values.emplace_back(value);
    else if (!ended)
      NoteTooLong(tooLong, section, "url" + std::to_string(next));
    ++next;
  };
  ForEachEntry(*body, [&](std::string_view key, std::string_view value) {
    const size_t n = UrlKeyNumber(key, body->size());
    if (n == next) {
      take(value);
      for (auto waiting = early.end(); !ended && (waiting = early.find(next)) != early.end();) take(waiting->second);
    } else if (n > next) {
      early.emplace(n, value);
    }
    return !ended;
  });
  return values;
}

std::string FormatVarnokIni(const std::string& homeUrl, const std::vector<std::string>& history,
                            const std::vector<std::string>& favorites) {
  constexpr size_t kKeyAndLineEnd = 16;  // "url" + up to 10 digits + "=" + CR LF, rounded up
  size_t size = 64 + homeUrl.size();
  for (const auto* list : {&history, &favorites})
    for (const std::string& entry : *list) size += entry.size() + kKeyAndLineEnd;
  std::string out;
  out.reserve(size);
  out.append("[global]\r\nversion=1.0\r\n[homeurl]\r\nurl1=").append(OneLine(homeUrl)).append("\r\n");
  auto appendList = [&out](const char* header, const std::vector<std::string>& list) {
    out += header;
    char number[24];
    for (size_t i = 0; i < list.size(); ++i) {
      const auto written = std::to_chars(number, number + sizeof number, i + 1);
      out.append("url").append(number, static_cast<size_t>(written.ptr - number));
      out.append("=").append(OneLine(list[i])).append("\r\n");
    }
  };
  appendList("[history]\r\n", history);
  appendList("[soucangjia]\r\n", favorites);
  out += "\r\n";
  return out;
}
