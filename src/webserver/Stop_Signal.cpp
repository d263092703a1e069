#include "webserver/Stop_Signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

Stop_Signal::Stop_Signal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Stop_Signal::~Stop_Signal() {
  if (fd_ >= 0) ::close(fd_);
}

void Stop_Signal::request() {
  requested_.store(true);
  if (fd_ < 0) return;
  // The counter is never read back, so the descriptor stays readable for every waiter.
  const uint64_t one = 1;
  ssize_t written = ::write(fd_, &one, sizeof one);
  (void)written;
}

void Stop_Signal::sleep_for(std::chrono::milliseconds pause) const {
  if (requested()) return;
  if (fd_ < 0) {
    ::usleep(static_cast<useconds_t>(pause.count() * 1000));
    return;
  }
  pollfd wait{fd_, POLLIN, 0};
  ::poll(&wait, 1, static_cast<int>(pause.count()));
}

void Stop_Signal::wait() const {
  while (!requested()) sleep_for(std::chrono::milliseconds(1000));
}
