#include "pages/HtmlEscape.h"

std::string EscapeAddress(const std::string& address) {
  std::string out;
  out.reserve(address.size());
  for (char c : address) {
    switch (c) {
      case '"': out += "&quot;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}
