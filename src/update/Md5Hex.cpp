#include "update/Md5Hex.h"

#include <openssl/err.h>

#include <memory>

namespace {

// A failure the library did not explain still has to read as a failure.
unsigned long LastErrorOrGeneric() {
  unsigned long code = ERR_get_error();
  return code != 0 ? code : 1;
}

}  // namespace

unsigned long DigestHex(const void* data, size_t length, const EVP_MD* algorithm, std::string* hex) {
  hex->clear();
  if (algorithm == nullptr) return 1;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (!context || EVP_DigestInit_ex(context.get(), algorithm, nullptr) != 1 ||
      EVP_DigestUpdate(context.get(), data, length) != 1 || EVP_DigestFinal_ex(context.get(), digest, &size) != 1)
    return LastErrorOrGeneric();
  *hex = UpperHex(digest, size);
  return 0;
}

std::string UpperHex(const unsigned char* bytes, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(2 * size);
  for (size_t i = 0; i < size; ++i) {
    hex.push_back(kDigits[bytes[i] >> 4]);
    hex.push_back(kDigits[bytes[i] & 0xF]);
  }
  return hex;
}

unsigned long Md5Hex(const void* data, size_t length, std::string* hex) {
  return DigestHex(data, length, EVP_md5(), hex);
}

unsigned long Md5HexOf(const std::string& bytes, std::string* hex) { return Md5Hex(bytes.data(), bytes.size(), hex); }
