#pragma once
#include <cstddef>
#include <string>

namespace platform {

// `bytes` bytes from the kernel's random source, written as lower-case hex. Secrets
// that pages carry come from here; the call blocks only until the pool is initialised.
std::string RandomHex(size_t bytes);

}  // namespace platform
