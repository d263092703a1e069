#pragma once
#include <string>

namespace platform {

// Full path of the running executable as the kernel reports it (/proc/self/exe).
// Empty when it cannot be read.
std::string ExecutablePath();

}  // namespace platform
