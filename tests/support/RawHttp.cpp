#include "support/RawHttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return addr;
}

// A TCP socket bound to 127.0.0.1 at a port the system picks (stored in *port), or -1.
int BindOnLoopback(int* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr = Loopback(0);
  socklen_t len = sizeof addr;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  *port = ntohs(addr.sin_port);
  return fd;
}

enum class Outcome { kClosed, kRefused, kStillOpen };

// Sends `request` and reads into *response until the server closes or `timeout` passes.
Outcome Exchange(int port, const std::string& request, std::chrono::milliseconds timeout, std::string* response) {
  int fd = ConnectLoopback(port);
  if (fd < 0) return Outcome::kRefused;
  size_t sent = 0;
  while (sent < request.size()) {
    ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  auto deadline = std::chrono::steady_clock::now() + timeout;
  char buffer[65536];
  Outcome outcome = Outcome::kClosed;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
      outcome = Outcome::kStillOpen;
      break;
    }
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    response->append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return outcome;
}

}  // namespace

int ConnectLoopback(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const sockaddr_in addr = Loopback(port);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::optional<std::string> TryHttpExchange(int port, const std::string& request, std::chrono::milliseconds timeout) {
  std::string response;
  if (Exchange(port, request, timeout, &response) != Outcome::kClosed) return std::nullopt;
  return response;
}

std::string RawHttpExchange(int port, const std::string& request, std::chrono::milliseconds timeout) {
  std::string response;
  switch (Exchange(port, request, timeout, &response)) {
    case Outcome::kClosed: return response;
    case Outcome::kRefused: throw std::runtime_error("nothing listens on 127.0.0.1:" + std::to_string(port));
    case Outcome::kStillOpen: break;
  }
  throw std::runtime_error("the server on port " + std::to_string(port) + " did not close the connection within " +
                           std::to_string(timeout.count()) + " ms; it sent: " + response.substr(0, 200));
}

int ListenOnLoopback(int* port, int backlog) {
  int fd = BindOnLoopback(port);
  if (fd >= 0 && listen(fd, backlog) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

ClosedPort::ClosedPort() {
  fd_ = BindOnLoopback(&port_);
  if (fd_ < 0) throw std::runtime_error("no port to be had on 127.0.0.1");
}

ClosedPort::~ClosedPort() {
  if (fd_ >= 0) close(fd_);
}

int ClosedPort::Listen(int backlog) {
  if (fd_ < 0 || listen(fd_, backlog) != 0) return -1;
  const int listening = fd_;
  fd_ = -1;
  return listening;
}

bool PortAcceptsConnections(int port) {
  int fd = ConnectLoopback(port);
  if (fd < 0) return false;
  close(fd);
  return true;
}
