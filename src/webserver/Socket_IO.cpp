#include "webserver/Socket_IO.h"

#include <ace/Message_Block.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "platform/FileUtil.h"

#include "webserver/IO_Completion.h"
#include "webserver/Open_Connections.h"

namespace {

// How long and how much a lingering close reads before it closes regardless.
constexpr std::chrono::milliseconds kLingerTime{1000};
constexpr size_t kLingerBytes = 64 * 1024;
bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

}  // namespace

Socket_IO::Socket_IO(const ACE_Time_Value& timeout, Open_Connections* open)
    : timeout_(std::max<long>(timeout.msec(), 1)), open_(open) {}

Socket_IO::~Socket_IO() {
  const ACE_HANDLE handle = stream_.get_handle();
  if (handle == ACE_INVALID_HANDLE) return;
  if (linger_) drain_before_close();
  if (open_) open_->remove(handle);
  stream_.close();
}

void Socket_IO::set_socket_handle(ACE_HANDLE handle) {
  stream_.set_handle(handle);
  head_deadline_ = idle_deadline();
  if (open_) open_->add(handle);
}

bool Socket_IO::wait_until(short events, Clock::time_point deadline) const {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd wait{stream_.get_handle(), events, 0};
    // Rounded up, so a wait never ends a millisecond before its deadline and spins.
    const int ready = ::poll(&wait, 1, static_cast<int>(left.count()) + 1);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
}

void Socket_IO::read(ACE_Message_Block& block, size_t n) {
  ssize_t got = -1;
  // Per-call MSG_DONTWAIT rather than a non-blocking socket: the file status flags are
  // shared with a CGI program that inherits the socket. Data usually waits already,
  // so the receive comes first and the wait only when there is none.
  while (Clock::now() < head_deadline_) {
    got = ::recv(stream_.get_handle(), block.wr_ptr(), n, MSG_DONTWAIT);
    if (got >= 0 || !WouldBlock()) break;
    if (!may_wait_) return handler_->on_would_wait();
    if (!wait_until(POLLIN, head_deadline_)) break;
  }
  if (got > 0) {
    bytes_received_ += static_cast<size_t>(got);
    block.wr_ptr(static_cast<size_t>(got));
    handler_->on_read(block);
  } else {
    handler_->on_read_failed();
  }
}

bool Socket_IO::send_bytes(const void* bytes, size_t length, bool more) {
  iovec piece{const_cast<void*>(bytes), length};
  return send_pieces(&piece, 1, more);
}

bool Socket_IO::send_pieces(iovec* pieces, int count, bool more) {
  if (may_wait_) send_unsent();
  msghdr message{};
  const int flags = MSG_DONTWAIT | MSG_NOSIGNAL | (more ? MSG_MORE : 0);
  while (count > 0) {
    if (pieces->iov_len == 0) {
      ++pieces, --count;
      continue;
    }
    if (!may_wait_ && !unsent_.empty()) {
      // Behind bytes already kept back, everything is kept, in order.
      for (; count > 0; ++pieces, --count) unsent_.append(static_cast<const char*>(pieces->iov_base), pieces->iov_len);
      return true;
    }
    message.msg_iov = pieces;
    message.msg_iovlen = static_cast<size_t>(count);
    ssize_t sent = ::sendmsg(stream_.get_handle(), &message, flags);
    if (sent > 0) {
      bytes_sent_ += static_cast<size_t>(sent);
      for (; count > 0 && static_cast<size_t>(sent) >= pieces->iov_len; ++pieces, --count)
        sent -= static_cast<ssize_t>(pieces->iov_len);
      if (count > 0) {
        pieces->iov_base = static_cast<char*>(pieces->iov_base) + sent;
        pieces->iov_len -= static_cast<size_t>(sent);
      }
    } else if (sent == 0 || !WouldBlock()) {
      return false;
    } else if (!may_wait_) {
      unsent_.append(static_cast<const char*>(pieces->iov_base), pieces->iov_len);
      ++pieces, --count;
    } else if (!wait_until(POLLOUT, idle_deadline())) {
      return false;
    }
  }
  return true;
}

void Socket_IO::send_unsent() {
  if (unsent_.empty()) return;
  std::string rest;
  rest.swap(unsent_);
  send_bytes(rest.data(), rest.size());
}

bool Socket_IO::receive_bytes(void* bytes, size_t length) {
  char* next = static_cast<char*>(bytes);
  while (length > 0) {
    const ssize_t got = ::recv(stream_.get_handle(), next, length, MSG_DONTWAIT);
    if (got > 0) {
      bytes_received_ += static_cast<size_t>(got);
      next += got;
      length -= static_cast<size_t>(got);
    } else if (got == 0 || !WouldBlock() || !wait_until(POLLIN, idle_deadline())) {
      return false;
    }
  }
  return true;
}

int Socket_IO::receive_into(int fd, size_t length) {
  std::vector<char> piece(std::min(length, kPieceSize));
  for (size_t left = length; left > 0;) {
    const size_t part = std::min(left, piece.size());
    if (!receive_bytes(piece.data(), part)) return kTransferFailed;
    if (!platform::WriteAll(fd, piece.data(), part)) return kWriteFailed;
    left -= part;
  }
  return 0;
}

void Socket_IO::send_file(const char* path, const char* header, size_t headerLength, const char* trailer,
                          size_t trailerLength) {
  // Opened without waiting: a pipe under that name would block on open. What access()
  // would say, open says as well: a file we may not read is refused here.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return refuse_unopened_file(errno);
  send_open_file(fd, header, headerLength, trailer, trailerLength);
}

void Socket_IO::refuse_unopened_file(int error) {
  handler_->on_send_file_failed(error == EACCES || error == ENOENT ? kNotReadable : kOpenFailed);
}

void Socket_IO::send_open_file(int fd, const char* header, size_t headerLength, const char* trailer,
                               size_t trailerLength) {
  // The size comes from the file opened, not from its name: another thread may replace
  // a page under that name meanwhile. Only regular files are served.
  struct stat status {};
  int failure = 0;
  if (::fstat(fd, &status) != 0) {
    failure = kStatFailed;
  } else if (!S_ISREG(status.st_mode)) {
    failure = kOpenFailed;
  } else if (static_cast<size_t>(status.st_size) <= kPieceSize) {
    if (!send_small_file(fd, static_cast<size_t>(status.st_size), header, headerLength, trailer, trailerLength))
      failure = kTransferFailed;
  } else if (!may_wait_) {
    ::close(fd);
    return handler_->on_would_wait();
  } else if (!send_bytes(header, headerLength, true) || !send_contents(fd, static_cast<size_t>(status.st_size)) ||
             !send_bytes(trailer, trailerLength)) {
    failure = kTransferFailed;
  }
  ::close(fd);
  if (failure == 0)
    handler_->on_file_sent();
  else
    handler_->on_send_file_failed(failure);
}

bool Socket_IO::send_small_file(int fd, size_t size, const char* header, size_t headerLength, const char* trailer,
                                size_t trailerLength) {
  std::unique_ptr<char[]> contents(new char[std::max<size_t>(size, 1)]);
  for (size_t got = 0; got < size;) {
    const ssize_t part = ::read(fd, contents.get() + got, size - got);
    if (part < 0 && errno == EINTR) continue;
    // A file that shrank while it was read is not sent with bytes that were never read.
    if (part <= 0) return false;
    got += static_cast<size_t>(part);
  }
  iovec pieces[3] = {{const_cast<char*>(header), headerLength},
                     {contents.get(), size},
                     {const_cast<char*>(trailer), trailerLength}};
  // The connection is closed as soon as this is sent, so the answer is held back for the
  // close, which sends it with the FIN in one segment: the client wakes once, and a packet
  // and its acknowledgement fewer cross the loopback. A close that first lingers may wait
  // for a pool thread, so its answer goes at once.
  return send_pieces(pieces, 3, !linger_);
}

bool Socket_IO::send_contents(int fd, size_t size) {
  std::vector<char> piece(std::min(size, kPieceSize));
  for (size_t left = size; left > 0;) {
    const ssize_t got = ::read(fd, piece.data(), std::min(left, piece.size()));
    if (got < 0 && errno == EINTR) continue;
    // A file that shrank while it was read is not sent with bytes that were never read.
    if (got <= 0) return false;
    left -= static_cast<size_t>(got);
    if (!send_bytes(piece.data(), static_cast<size_t>(got), left > 0)) return false;
  }
  return true;
}

void Socket_IO::drain_before_close() {
  ::shutdown(stream_.get_handle(), SHUT_WR);
  const Clock::time_point deadline = Clock::now() + std::min(timeout_, kLingerTime);
  char scratch[4096];
  for (size_t left = kLingerBytes; left > 0 && wait_until(POLLIN, deadline);) {
    const ssize_t got = ::recv(stream_.get_handle(), scratch, std::min(sizeof scratch, left), MSG_DONTWAIT);
    if (got == 0 || (got < 0 && !WouldBlock())) break;
    if (got > 0) left -= static_cast<size_t>(got);
  }
}

void Socket_IO::send_reply(const char* bytes, size_t length) {
  send_bytes(bytes, length);
  handler_->on_reply_sent();
}

void Socket_IO::send_error_reply(const char* bytes, size_t length) {
  linger_before_close();
  send_bytes(bytes, length);
  handler_->on_error_reply_sent();
}
