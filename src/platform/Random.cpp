#include "platform/Random.h"

#include <sys/random.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace platform {

std::string RandomHex(size_t bytes) {
  std::vector<unsigned char> raw(bytes);
  size_t done = 0;
  while (done < bytes) {
    ssize_t n = getrandom(raw.data() + done, bytes - done, 0);
    if (n < 0 && errno == EINTR) continue;
    // Without randomness a secret would be guessable; better not to run at all.
    if (n <= 0) throw std::runtime_error("no random bytes from the kernel");
    done += static_cast<size_t>(n);
  }
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes * 2);
  for (unsigned char c : raw) {
    text.push_back(kHex[c >> 4]);
    text.push_back(kHex[c & 0xF]);
  }
  return text;
}

}  // namespace platform
