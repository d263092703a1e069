#include "platform/HandoffListener.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/HandoffMessage.h"
#include "platform/LocalSocket.h"

namespace platform {
namespace {

// A sender gets this long to deliver its message; the next one waits meanwhile.
constexpr std::chrono::seconds kMessageDeadline(2);

bool SomeoneListensAt(const sockaddr_un& address, socklen_t length) {
  const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool answered = connect(probe, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  close(probe);
  return answered;
}

}  // namespace

HandoffListener::~HandoffListener() { Stop(); }

bool HandoffListener::Start(const std::string& socketPath, Handler handler, std::string* error) {
  sockaddr_un address;
  socklen_t length = 0;
  if (!local_socket::MakeAddress(socketPath, &address, &length)) {
    *error = socketPath + ": path too long for a local socket";
    return false;
  }
  if (SomeoneListensAt(address, length)) {
    *error = socketPath + ": another program already listens there";
    return false;
  }
  const bool abstract = local_socket::IsAbstract(socketPath);
  struct stat st;
  if (!abstract && lstat(socketPath.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) unlink(socketPath.c_str());

  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  // The directory is already private; the socket's own mode closes it a second time.
  if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
      (!abstract && chmod(socketPath.c_str(), 0600) != 0) || listen(fd, 8) != 0 || pipe2(wake_, O_CLOEXEC) != 0) {
    *error = socketPath + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  path_ = socketPath;
  handler_ = std::move(handler);
  listener_ = fd;
  thread_ = std::thread([this] { Loop(); });
  return true;
}

void HandoffListener::Stop() {
  if (listener_ < 0) return;
  const char stop = 's';
  (void)!write(wake_[1], &stop, 1);
  thread_.join();
  close(listener_);
  close(wake_[0]);
  close(wake_[1]);
  listener_ = wake_[0] = wake_[1] = -1;
  if (!local_socket::IsAbstract(path_)) unlink(path_.c_str());
}

void HandoffListener::Loop() {
  for (;;) {
    pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Serve(connection);
    close(connection);
  }
}

void HandoffListener::Serve(int connection) {
  // The kernel's record of the connecting process, not anything it says about itself.
  const auto peer = local_socket::PeerUid(connection);
  if (!peer || *peer != geteuid()) return;
  std::string bytes;
  if (!local_socket::ReadAll(connection, HandoffMessage::kMaxBytes,
                             std::chrono::steady_clock::now() + kMessageDeadline, &bytes))
    return;
  const auto items = HandoffMessage::Decode(bytes);
  if (!items) return;
  local_socket::WriteAll(connection, handler_(*items));
}

}  // namespace platform
