#include "ui/AddressTrim.h"

namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

bool IsBlank(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

}  // namespace

std::string TrimGbkBlanks(const std::string& text) {
  // Walk forward character by character: only a forward walk knows where a double-byte
  // character begins. Remember where the first non-blank starts and the last one ends.
  size_t begin = std::string::npos, end = 0;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t width = (IsLeadByte(c) && i + 1 < text.size()) ? 2 : 1;
    if (width == 2 || !IsBlank(c)) {
      if (begin == std::string::npos) begin = i;
      end = i + width;
    }
    i += width;
  }
  if (begin == std::string::npos) return std::string();
  return text.substr(begin, end - begin);
}
