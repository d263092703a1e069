#include "update/UpdateKey.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <cctype>
#include <cstdlib>
#include <memory>

#include "update/Base64.h"
#include "update/Md5Hex.h"

#ifndef VARNOK_DEFAULT_UPDATE_PUBLIC_KEY
#define VARNOK_DEFAULT_UPDATE_PUBLIC_KEY ""
#endif

namespace {

std::optional<std::string> DecodeExactly(const std::string& text, size_t size) {
  std::optional<std::string> bytes = DecodeBase64(text);
  if (!bytes || bytes->size() != size) return std::nullopt;
  return bytes;
}

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

}  // namespace

std::string UpdateKey::ConfiguredText() {
  const char* value = std::getenv("VARNOK_UPDATE_PUBLIC_KEY");
  return value ? value : VARNOK_DEFAULT_UPDATE_PUBLIC_KEY;
}

std::optional<UpdateKey> UpdateKey::FromBase64(const std::string& text) {
  std::optional<std::string> raw = DecodeExactly(text, kKeyBytes);
  if (!raw) return std::nullopt;
  return UpdateKey(*raw);
}

std::optional<std::string> UpdateKey::SignatureFromBase64(const std::string& text) {
  return DecodeExactly(text, kSignatureBytes);
}

std::string UpdateKey::SignedText(const std::string& version, const std::string& program) {
  std::string sha256;
  if (DigestHex(program.data(), program.size(), EVP_sha256(), &sha256) != 0) return std::string();
  return SignedTextOfDigest(version, sha256);
}

std::string UpdateKey::SignedTextOfDigest(const std::string& version, std::string sha256) {
  if (sha256.empty()) return std::string();
  for (char& c : sha256) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return "varnok-update\n" + version + "\n" + sha256 + "\n";
}

bool UpdateKey::SignedRelease(const std::string& signature, const std::string& version,
                              const std::string& sha256) const {
  if (signature.size() != kSignatureBytes) return false;
  const std::string text = SignedTextOfDigest(version, sha256);
  if (text.empty()) return false;
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, Bytes(raw_), raw_.size()), &EVP_PKEY_free);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  // Ed25519 hashes the message itself: no digest is named, and the text goes in one call.
  const bool valid = key && context && EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
                     EVP_DigestVerify(context.get(), Bytes(signature), signature.size(), Bytes(text), text.size()) == 1;
  // A refused signature leaves its reason queued on this thread; later calls must not
  // mistake it for theirs.
  if (!valid) ERR_clear_error();
  return valid;
}
