#include "platform/LocalSocket.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace local_socket {

bool IsAbstract(const std::string& path) { return !path.empty() && path[0] == '@'; }

bool MakeAddress(const std::string& path, sockaddr_un* address, socklen_t* length) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address->sun_path) return false;
  std::memcpy(address->sun_path, path.data(), path.size());
  // An abstract name is all its bytes after a leading zero, without a terminating one.
  if (IsAbstract(path)) address->sun_path[0] = '\0';
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + (IsAbstract(path) ? 0 : 1));
  return true;
}

std::optional<uid_t> PeerUid(int fd) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || size != sizeof credentials)
    return std::nullopt;
  return credentials.uid;
}

bool ReadAll(int fd, size_t limit, std::chrono::steady_clock::time_point deadline, std::string* bytes) {
  bytes->clear();
  char buffer[16384];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (bytes->size() + static_cast<size_t>(n) > limit) return false;
    bytes->append(buffer, static_cast<size_t>(n));
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace local_socket
}  // namespace platform
