// The libcrypto functions the program calls, defined here so that OpenSSL's library is
// loaded only when an update is verified, not with the program. Each looks up its
// namesake in the library once and forwards to it; without the library, each fails as
// libcrypto itself reports failures.
#include <openssl/err.h>
#include <openssl/evp.h>

#include "platform/OnDemandLibrary.h"

namespace {

platform::OnDemandLibrary crypto("libcrypto.so.3");

}  // namespace

extern "C" {

unsigned long ERR_get_error() {
  VARNOK_ON_DEMAND(crypto, ERR_get_error);
  return real ? real() : 0;
}

void ERR_clear_error() {
  VARNOK_ON_DEMAND(crypto, ERR_clear_error);
  if (real) real();
}

int EVP_DecodeBlock(unsigned char* to, const unsigned char* from, int length) {
  VARNOK_ON_DEMAND(crypto, EVP_DecodeBlock);
  return real ? real(to, from, length) : -1;
}

const EVP_MD* EVP_md5() {
  VARNOK_ON_DEMAND(crypto, EVP_md5);
  return real ? real() : nullptr;
}

const EVP_MD* EVP_sha256() {
  VARNOK_ON_DEMAND(crypto, EVP_sha256);
  return real ? real() : nullptr;
}

EVP_MD_CTX* EVP_MD_CTX_new() {
  VARNOK_ON_DEMAND(crypto, EVP_MD_CTX_new);
  return real ? real() : nullptr;
}

void EVP_MD_CTX_free(EVP_MD_CTX* context) {
  VARNOK_ON_DEMAND(crypto, EVP_MD_CTX_free);
  if (real) real(context);
}

int EVP_DigestInit_ex(EVP_MD_CTX* context, const EVP_MD* type, ENGINE* engine) {
  VARNOK_ON_DEMAND(crypto, EVP_DigestInit_ex);
  return real ? real(context, type, engine) : 0;
}

int EVP_DigestUpdate(EVP_MD_CTX* context, const void* data, size_t length) {
  VARNOK_ON_DEMAND(crypto, EVP_DigestUpdate);
  return real ? real(context, data, length) : 0;
}

int EVP_DigestFinal_ex(EVP_MD_CTX* context, unsigned char* digest, unsigned int* size) {
  VARNOK_ON_DEMAND(crypto, EVP_DigestFinal_ex);
  return real ? real(context, digest, size) : 0;
}

EVP_PKEY* EVP_PKEY_new_raw_public_key(int type, ENGINE* engine, const unsigned char* key, size_t length) {
  VARNOK_ON_DEMAND(crypto, EVP_PKEY_new_raw_public_key);
  return real ? real(type, engine, key, length) : nullptr;
}

void EVP_PKEY_free(EVP_PKEY* key) {
  VARNOK_ON_DEMAND(crypto, EVP_PKEY_free);
  if (real) real(key);
}

int EVP_DigestVerifyInit(EVP_MD_CTX* context, EVP_PKEY_CTX** keyContext, const EVP_MD* type, ENGINE* engine,
                         EVP_PKEY* key) {
  VARNOK_ON_DEMAND(crypto, EVP_DigestVerifyInit);
  return real ? real(context, keyContext, type, engine, key) : 0;
}

int EVP_DigestVerify(EVP_MD_CTX* context, const unsigned char* signature, size_t signatureLength,
                     const unsigned char* text, size_t textLength) {
  VARNOK_ON_DEMAND(crypto, EVP_DigestVerify);
  return real ? real(context, signature, signatureLength, text, textLength) : -1;
}

}  // extern "C"
