#include "platform/Descriptor.h"

#include <unistd.h>

#include <utility>

namespace platform {

Descriptor::~Descriptor() {
  if (fd_ >= 0) ::close(fd_);
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  std::swap(fd_, other.fd_);
  return *this;
}

int Descriptor::release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

}  // namespace platform
