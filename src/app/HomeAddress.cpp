#include "app/HomeAddress.h"

#include <cctype>

namespace {

bool IsSchemeCharacter(unsigned char c) { return std::isalnum(c) || c == '+' || c == '-' || c == '.'; }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string HomeAddress::AsEngineReadsIt(const std::string& address) {
  std::string text;
  for (char c : address)
    if (c != '\t' && c != '\n' && c != '\r') text.push_back(c);
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

bool HomeAddress::IsHostAndPort(const std::string& name, const std::string& rest) {
  if (name.find('.') == std::string::npos && Lower(name) != "localhost") return false;
  size_t digits = 0;
  while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits]))) ++digits;
  return digits > 0 && (digits == rest.size() || rest[digits] == '/');
}

bool HomeAddress::IsAcceptable(const std::string& address) {
  const std::string text = AsEngineReadsIt(address);
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return true;
  const std::string name = text.substr(0, colon);
  if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) return true;
  for (char c : name)
    if (!IsSchemeCharacter(static_cast<unsigned char>(c))) return true;  // no scheme: "a.cn/x:y"
  return IsWebScheme(name) || IsHostAndPort(name, text.substr(colon + 1));
}

bool HomeAddress::IsWebScheme(const std::string& scheme) {
  const std::string lower = Lower(scheme);
  return lower == "http" || lower == "https" || lower == "ftp" || lower == "file";
}
