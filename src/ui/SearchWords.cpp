#include "ui/SearchWords.h"

#include <QUrl>
#include <cstdlib>

#include "ui/GbkBoundary.h"

namespace search_words {

const char kDefaultSearchUrl[] = "https://www.baidu.com/s?ie=utf-8&wd=%s";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

bool AreWords(const std::string& typed) {
  if (typed.empty() || typed.find("://") != std::string::npos) return false;
  if (StartsWith(typed, "/") || StartsWith(typed, "~") || StartsWith(typed, "./")) return false;
  for (const char* scheme : {"about:", "file:", "data:", "javascript:", "mailto:", "view-source:"})
    if (StartsWith(typed, scheme)) return false;
  // A GBK trail byte is never below 0x40, so no blank hides inside a double-byte character.
  for (char c : typed)
    if (IsBlank(c)) return true;
  if (typed == "localhost") return false;
  return typed.find_first_of(".:/") == std::string::npos;
}

std::string SearchAddress(const std::string& words, const std::string& searchUrl) {
  const QByteArray escaped = QUrl::toPercentEncoding(gbk_boundary::FromGbk(words));
  const std::string query(escaped.constData(), static_cast<size_t>(escaped.size()));
  std::string address = searchUrl;
  const size_t slot = address.find("%s");
  if (slot == std::string::npos) return address + query;
  return address.replace(slot, 2, query);
}

std::string ConfiguredSearchUrl() {
  const char* configured = std::getenv("VARNOK_SEARCH_URL");
  return configured && *configured ? configured : kDefaultSearchUrl;
}

}  // namespace search_words
