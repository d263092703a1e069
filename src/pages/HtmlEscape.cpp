#include "pages/HtmlEscape.h"

std::string EscapeAddress(const std::string& address) {
  std::string out;
  out.reserve(address.size());
  AppendEscapedAddress(out, address);
  return out;
}

void AppendEscapedAddress(std::string& out, const std::string& address) {
  size_t plain = 0;  // start of the run of bytes that need no escape
  for (size_t i = 0; i < address.size(); ++i) {
    const char* entity = nullptr;
    switch (address[i]) {
      case '"': entity = "&quot;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      default: continue;
    }
    out.append(address, plain, i - plain).append(entity);
    plain = i + 1;
  }
  out.append(address, plain, std::string::npos);
}
