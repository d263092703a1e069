#include "update/Base64.h"

#include <openssl/evp.h>

#include <climits>

namespace {

bool IsBase64Character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

}  // namespace

std::optional<std::string> DecodeBase64(const std::string& text) {
  if (text.size() % 4 != 0 || text.size() > INT_MAX) return std::nullopt;
  if (text.empty()) return std::string();
  size_t padding = 0;
  while (padding < 2 && text[text.size() - 1 - padding] == '=') ++padding;
  for (size_t i = 0; i < text.size() - padding; ++i)
    if (!IsBase64Character(text[i])) return std::nullopt;
  std::string bytes(text.size() / 4 * 3, '\0');
  const int decoded =
      EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&bytes[0]), reinterpret_cast<const unsigned char*>(text.data()),
                      static_cast<int>(text.size()));
  if (decoded < 0) return std::nullopt;
  // The library counts the padding as zero bytes of the last group; they are not data.
  bytes.resize(static_cast<size_t>(decoded) - padding);
  return bytes;
}
