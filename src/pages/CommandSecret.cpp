#include "pages/CommandSecret.h"

#include <cstring>

std::string CommandSecret::QueryPair(const std::string& secret) { return std::string(kName) + "=" + secret; }

bool CommandSecret::SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

bool CommandSecret::IsCarriedBy(const std::string& uri, const std::string& secret) {
  if (secret.empty()) return false;
  const std::string name = std::string(kName) + "=";
  bool carried = false;
  for (size_t at = uri.find(name); at != std::string::npos; at = uri.find(name, at + 1)) {
    if (at == 0 || (uri[at - 1] != '?' && uri[at - 1] != '&')) continue;
    const size_t start = at + name.size();
    const size_t end = uri.find('&', start);
    carried |= SameText(uri.substr(start, end == std::string::npos ? std::string::npos : end - start), secret);
  }
  return carried;
}
