#include "update/TestSigner.h"

#include <stdexcept>

namespace {

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

}  // namespace

TestSigner::TestSigner() : key_(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), &EVP_PKEY_free) {
  if (!key_) throw std::runtime_error("no Ed25519 key");
}

std::string TestSigner::PublicKeyBase64() const {
  std::string raw(32, '\0');
  size_t size = raw.size();
  if (EVP_PKEY_get_raw_public_key(key_.get(), reinterpret_cast<unsigned char*>(&raw[0]), &size) != 1 || size != 32)
    throw std::runtime_error("no raw public key");
  return EncodeBase64(raw);
}

std::string TestSigner::SignRelease(const std::string& version, const std::string& program) const {
  const std::string text = "varnok-update\n" + version + "\n" + Sha256Hex(program) + "\n";
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  std::string signature(64, '\0');
  auto* out = reinterpret_cast<unsigned char*>(&signature[0]);
  size_t size = signature.size();
  if (EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key_.get()) != 1 ||
      EVP_DigestSign(context.get(), out, &size, Bytes(text), text.size()) != 1)
    throw std::runtime_error("signing failed");
  return EncodeBase64(signature);
}

std::string EncodeBase64(const std::string& bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int written =
      EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&text[0]), Bytes(bytes), static_cast<int>(bytes.size()));
  text.resize(static_cast<size_t>(written));
  return text;
}

std::string Sha256Hex(const std::string& bytes) {
  unsigned char digest[32];
  unsigned int size = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr);
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < size; ++i) {
    hex.push_back(kDigits[digest[i] >> 4]);
    hex.push_back(kDigits[digest[i] & 15]);
  }
  return hex;
}
