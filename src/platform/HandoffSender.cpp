#include "platform/HandoffSender.h"

#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/Descriptor.h"
#include "platform/HandoffMessage.h"
#include "platform/LocalSocket.h"

namespace platform {
namespace {

constexpr size_t kMaxAnswerBytes = 256;

}  // namespace

bool HandoffSender::Send(const std::string& socketPath, const std::vector<std::string>& items, std::string* answer,
                         std::string* error, std::chrono::milliseconds deadline) {
  const auto message = HandoffMessage::Encode(items);
  if (!message) {
    *error = "too many or too long addresses";
    return false;
  }
  sockaddr_un address;
  socklen_t length = 0;
  if (!local_socket::MakeAddress(socketPath, &address, &length)) {
    *error = socketPath + ": path too long for a local socket";
    return false;
  }
  Descriptor fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  // A listener whose queue is full would hold connect() for as long as it stalls; the
  // send time-out bounds that wait (and each send after it).
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(deadline);
  const timeval limit{static_cast<time_t>(seconds.count()),
                      static_cast<suseconds_t>((deadline - seconds).count() * 1000)};
  if (fd.get() < 0 || setsockopt(fd.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0 ||
      connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    const char* reason = errno == EAGAIN ? "the running program takes no connections" : std::strerror(errno);
    *error = socketPath + ": " + reason;
    return false;
  }
  // Addresses go only to a program of our own account.
  const auto peer = local_socket::PeerUid(fd.get());
  if (!peer || *peer != geteuid()) {
    *error = socketPath + ": the listening program belongs to another account";
    return false;
  }
  if (!local_socket::WriteAll(fd.get(), *message) || shutdown(fd.get(), SHUT_WR) != 0 ||
      !local_socket::ReadAll(fd.get(), kMaxAnswerBytes, std::chrono::steady_clock::now() + deadline, answer) ||
      answer->empty()) {
    *error = socketPath + ": no answer from the running program";
    return false;
  }
  return true;
}

}  // namespace platform
