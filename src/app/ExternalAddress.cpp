#include "app/ExternalAddress.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/HomeAddress.h"
#include "platform/GbkCodec.h"

namespace external_address {
namespace {

std::string Trimmed(const std::string& text) {
  const char* blanks = " \t\r\n";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool LooksLikeScheme(const std::string& text) {
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
  for (unsigned char c : text)
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  return true;
}

// "host:8080", "host:8080/x": a port after the colon, which the address box reads as a
// host and port.
bool PortFollows(const std::string& address, size_t colon) {
  size_t end = colon + 1;
  while (end < address.size() && std::isdigit(static_cast<unsigned char>(address[end]))) ++end;
  return end > colon + 1 && (end == address.size() || address[end] == '/' || address[end] == '?' || address[end] == '#');
}

bool HasUrlScheme(const std::string& text) {
  const size_t colon = text.find(':');
  return colon != std::string::npos && LooksLikeScheme(text.substr(0, colon)) && !PortFollows(text, colon);
}

std::string FileUrl(const std::filesystem::path& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path.string()) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
      url.push_back(static_cast<char>(c));
    } else {
      url.push_back('%');
      url.push_back(kHex[c >> 4]);
      url.push_back(kHex[c & 0xF]);
    }
  }
  return url;
}

}  // namespace

std::string FromArgument(const std::string& argument, const std::string& workingDirectory) {
  const std::string text = Trimmed(argument);
  if (text.empty() || HasUrlScheme(text)) return platform::Utf8ToGbk(text);
  std::filesystem::path path(text);
  if (path.is_relative()) path = std::filesystem::path(workingDirectory) / path;
  std::error_code error;
  if (std::filesystem::exists(path, error)) return FileUrl(path.lexically_normal());
  return platform::Utf8ToGbk(text);
}

bool IsOpenable(const std::string& address) {
  // Blanks around the text would hide a scheme from the test below but not from the
  // address box, which trims them.
  if (address.empty() || address != Trimmed(address)) return false;
  for (unsigned char c : address)
    if (c < 0x20 || c == 0x7F) return false;
  if (!HasUrlScheme(address)) return true;
  return HomeAddress::IsWebScheme(address.substr(0, address.find(':')));
}

}  // namespace external_address
