#pragma once
#include <memory>
#include <string>

#include <openssl/evp.h>

// An Ed25519 key pair made for one test, signing releases the way the vendor does. It
// builds the signed text itself rather than asking the program how, so a program that
// signs or checks other bytes fails the tests.
class TestSigner {
 public:
  TestSigner();

  std::string PublicKeyBase64() const;
  // Base64 of the signature over "varnok-update\n" version "\n" sha256-hex(program) "\n".
  std::string SignRelease(const std::string& version, const std::string& program) const;

 private:
  std::shared_ptr<EVP_PKEY> key_;
};

std::string EncodeBase64(const std::string& bytes);
// Lower-case hexadecimal SHA-256.
std::string Sha256Hex(const std::string& bytes);
