#pragma once
#include <functional>
#include <string>

// The digests a downloaded program is checked with: the MD5 that update.xml announces
// and the SHA-256 that the vendor's signature covers, each as upper-case hexadecimal.
struct ProgramDigests {
  std::string md5;
  std::string sha256;

  // Both digests of the file at `path`, read in pieces so that memory stays small
  // whatever its size. `stop` is asked between pieces. 0 on success; otherwise non-zero
  // (the library's error code, or 1 for a file that cannot be read or a stop).
  static unsigned long OfFile(const std::string& path, const std::function<bool()>& stop, ProgramDigests* digests);
};
