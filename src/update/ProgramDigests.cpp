#include "update/ProgramDigests.h"

#include "update/Md5Hex.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Context = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;
using File = std::unique_ptr<FILE, decltype(&std::fclose)>;

constexpr size_t kPiece = 1 << 20;

unsigned long Failure() {
  const unsigned long code = ERR_get_error();
  return code != 0 ? code : 1;
}

bool Finish(EVP_MD_CTX* context, std::string* hex) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(context, digest, &size) != 1) return false;
  *hex = UpperHex(digest, size);
  return true;
}

}  // namespace

unsigned long ProgramDigests::OfFile(const std::string& path, const std::function<bool()>& stop,
                                     ProgramDigests* digests) {
  *digests = ProgramDigests();
  Context md5(EVP_MD_CTX_new(), &EVP_MD_CTX_free), sha256(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!md5 || !sha256 || EVP_DigestInit_ex(md5.get(), EVP_md5(), nullptr) != 1 ||
      EVP_DigestInit_ex(sha256.get(), EVP_sha256(), nullptr) != 1)
    return Failure();
  File file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return 1;
  std::vector<unsigned char> piece(kPiece);
  for (;;) {
    if (stop && stop()) return 1;
    const size_t got = std::fread(piece.data(), 1, piece.size(), file.get());
    if (got > 0 && (EVP_DigestUpdate(md5.get(), piece.data(), got) != 1 ||
                    EVP_DigestUpdate(sha256.get(), piece.data(), got) != 1))
      return Failure();
    if (got < piece.size()) break;
  }
  if (std::ferror(file.get())) return 1;
  if (!Finish(md5.get(), &digests->md5) || !Finish(sha256.get(), &digests->sha256)) return Failure();
  return 0;
}
