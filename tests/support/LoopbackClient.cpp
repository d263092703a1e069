#include "support/LoopbackClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

namespace {

int Connect(int port, int family, int receiveBuffer) {
  int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (receiveBuffer > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_storage address{};
  socklen_t length;
  if (family == AF_INET6) {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<uint16_t>(port));
    v6->sin6_addr = in6addr_loopback;
    length = sizeof *v6;
  } else {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<uint16_t>(port));
    v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    length = sizeof *v4;
  }
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

LoopbackClient::LoopbackClient(int port, int family, int receiveBuffer) : fd_(Connect(port, family, receiveBuffer)) {}

LoopbackClient::~LoopbackClient() { Close(); }

void LoopbackClient::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool LoopbackClient::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      NoteFailure();
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  return true;
}

void LoopbackClient::NoteFailure() {
  if (errno == ECONNRESET || errno == EPIPE) reset_ = true;
}

bool LoopbackClient::Readable(std::chrono::milliseconds timeout) const {
  pollfd wait{fd_, POLLIN, 0};
  return poll(&wait, 1, static_cast<int>(timeout.count())) > 0;
}

bool LoopbackClient::ClosedWithin(std::chrono::milliseconds timeout, std::string* received) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  char buffer[65536];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !Readable(left)) return false;
    ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0) NoteFailure();
    if (n <= 0) return true;
    if (received) received->append(buffer, static_cast<size_t>(n));
  }
}

std::string LoopbackClient::ReadAll(std::chrono::milliseconds timeout) {
  std::string received;
  if (!ClosedWithin(timeout, &received))
    throw std::runtime_error("the server did not close the connection within " + std::to_string(timeout.count()) +
                             " ms; it sent: " + received.substr(0, 200));
  return received;
}

bool Ipv6LoopbackAvailable() {
  int fd = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  address.sin6_addr = in6addr_loopback;
  const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return bound;
}
