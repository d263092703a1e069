#pragma once
#include <cstddef>
#include <string>

#include <openssl/evp.h>

// Hashes `length` bytes at `data` with `algorithm` (EVP_md5() for the update check) and
// writes the digest as upper-case hexadecimal text, two digits per byte. Returns 0 on
// success; otherwise the library's error code (never 0) and `hex` is left empty.
unsigned long DigestHex(const void* data, size_t length, const EVP_MD* algorithm, std::string* hex);

// `size` bytes as upper-case hexadecimal text, two digits per byte.
std::string UpperHex(const unsigned char* bytes, size_t size);

// The MD5 digest of the bytes as 32 upper-case hexadecimal digits; 0 on success.
unsigned long Md5Hex(const void* data, size_t length, std::string* hex);
// The same for a byte string.
unsigned long Md5HexOf(const std::string& bytes, std::string* hex);
