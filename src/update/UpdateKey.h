#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

// The vendor's Ed25519 public key. An update is offered only when update.xml carries this
// key's signature over the release text (see SignedText): the MD5 digest beside it comes
// from the same unauthenticated file as the program and proves nothing about who made it.
class UpdateKey {
 public:
  static constexpr size_t kKeyBytes = 32;
  static constexpr size_t kSignatureBytes = 64;

  // The key text the program uses: the environment variable VARNOK_UPDATE_PUBLIC_KEY when
  // it is set, even to nothing (which turns updates off), otherwise the key built in.
  static std::string ConfiguredText();

  // The key from Base64 of its 32 raw bytes; empty for anything else.
  static std::optional<UpdateKey> FromBase64(const std::string& text);

  // The 64 raw bytes of a Base64 signature; empty for anything else.
  static std::optional<std::string> SignatureFromBase64(const std::string& text);

  // What a release's signature covers: "varnok-update\n", the version text exactly as
  // update.xml gives it, "\n", the lower-case hexadecimal SHA-256 of the program and "\n".
  // Empty when the digest cannot be computed.
  static std::string SignedText(const std::string& version, const std::string& program);
  // The same for a program whose SHA-256 is already known (hexadecimal, either case).
  static std::string SignedTextOfDigest(const std::string& version, std::string sha256);

  // True when `signature` (64 raw bytes) is this key's signature of the release text of
  // the program whose SHA-256 is `sha256`.
  bool SignedRelease(const std::string& signature, const std::string& version, const std::string& sha256) const;

 private:
  explicit UpdateKey(std::string raw) : raw_(std::move(raw)) {}

  std::string raw_;
};
