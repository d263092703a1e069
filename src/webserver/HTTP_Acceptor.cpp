#include "webserver/HTTP_Acceptor.h"

#include <ace/INET_Addr.h>
#include <ace/Log_Msg.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace {

// A wait that ends sooner than this found a connection already queued, so the server is
// busy and the next connection is likely queued too; a thread that slept takes longer.
constexpr std::chrono::microseconds kWaitWithoutSleep{20};

void SetBufferSize(ACE_HANDLE handle, int option, const char* label) {
  const int size = HTTP_Acceptor::kSocketBufferSize;
  if (::setsockopt(handle, SOL_SOCKET, option, &size, sizeof size) == -1) ACE_ERROR((LM_ERROR, "%p\n", label));
}

}  // namespace

int HTTP_Acceptor::open_one(ACE_SOCK_Acceptor& acceptor, int port, const char* address, int family, int backlog) {
  ACE_INET_Addr local(static_cast<u_short>(port), address, family);
  if (acceptor.open(local, 1, family == AF_INET6 ? PF_INET6 : PF_INET, backlog, 0, 1) == -1) return -1;
  const ACE_HANDLE handle = acceptor.get_handle();
  // Several threads try to take each connection and only one gets it: the others must
  // find the queue empty, not wait in accept() for the next connection.
  acceptor.enable(ACE_NONBLOCK);
  // CGI programs get their connection as standard handles, never a listening socket.
  ::fcntl(handle, F_SETFD, FD_CLOEXEC);
  SetBufferSize(handle, SO_RCVBUF, "SO_RCVBUF");
  SetBufferSize(handle, SO_SNDBUF, "SO_SNDBUF");
  // A connection is handed over once its first bytes have arrived, so a serving thread
  // finds its request waiting instead of sleeping until it comes; a client that
  // connects and sends nothing holds no thread for the first second.
  const int deferSeconds = 1;
  ::setsockopt(handle, IPPROTO_TCP, TCP_DEFER_ACCEPT, &deferSeconds, sizeof deferSeconds);
  return 0;
}

sockaddr_storage HTTP_Acceptor::local_address(const ACE_SOCK_Acceptor& acceptor) {
  sockaddr_storage address{};
  socklen_t size = sizeof address;
  if (acceptor.get_handle() != ACE_INVALID_HANDLE)
    ::getsockname(acceptor.get_handle(), reinterpret_cast<sockaddr*>(&address), &size);
  return address;
}

int HTTP_Acceptor::open(int port, int backlog) {
  close();
  if (open_one(v4_, port, "127.0.0.1", AF_INET, backlog) == -1) return -1;
  ACE_INET_Addr bound;
  v4_.get_local_addr(bound);
  port_ = bound.get_port_number();
  if (open_one(v6_, port_, "::1", AF_INET6, backlog) == -1) {
    // Someone else holding [::1] at this port makes the port unusable; any other failure
    // means the machine has no IPv6 loopback to serve.
    const int error = errno;
    if (error == EADDRINUSE) {
      close();
      errno = error;
      return -1;
    }
    ACE_ERROR((LM_WARNING, "(%t) no IPv6 loopback address (%m): serving 127.0.0.1 only\n"));
  }
  return 0;
}

void HTTP_Acceptor::close() {
  v4_.close();
  v6_.close();
}

namespace {

void Watch(int epoll, int handle, uint32_t events, void* tag) {
  epoll_event event{};
  event.events = events;
  event.data.ptr = tag;
  // Without EPOLLEXCLUSIVE (older kernels) every waiter wakes; that costs, it is not wrong.
  if (::epoll_ctl(epoll, EPOLL_CTL_ADD, handle, &event) == -1 && (events & EPOLLEXCLUSIVE)) {
    event.events &= ~EPOLLEXCLUSIVE;
    ::epoll_ctl(epoll, EPOLL_CTL_ADD, handle, &event);
  }
}

}  // namespace

HTTP_Acceptor::Waiter::Waiter(const HTTP_Acceptor& acceptor, int stop_handle)
    : listeners_{{acceptor.v4_.get_handle(), local_address(acceptor.v4_)},
                 {acceptor.v6_.get_handle(), local_address(acceptor.v6_)}},
      stop_handle_(stop_handle),
      epoll_(::epoll_create1(EPOLL_CLOEXEC)) {
  if (epoll_ < 0) return;
  if (stop_handle_ >= 0) Watch(epoll_, stop_handle_, EPOLLIN, nullptr);
  for (Listener& listener : listeners_)
    if (listener.handle != ACE_INVALID_HANDLE) Watch(epoll_, listener.handle, EPOLLIN | EPOLLEXCLUSIVE, &listener);
}

HTTP_Acceptor::Waiter::~Waiter() {
  if (epoll_ >= 0) ::close(epoll_);
}

// Takes a waiting connection from `listener` without waiting: 1, 0 or -1 as accept().
// A connection its client gave up while it waited is no failure of ours: 0.
int HTTP_Acceptor::Waiter::take(const Listener& listener, Accepted* accepted) {
  socklen_t size = sizeof accepted->addresses.peer;
  const int handle =
      ::accept4(listener.handle, reinterpret_cast<sockaddr*>(&accepted->addresses.peer), &size, SOCK_CLOEXEC);
  if (handle < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED ? 0 : -1;
  accepted->handle = handle;
  accepted->addresses.ours = listener.address;
  last_ = &listener;
  return kAccepted;
}

int HTTP_Acceptor::Waiter::wait(Accepted* accepted, void** readable, int timeout_ms) {
  // Skipping the wait is only for a thread with no deadline coming: one that watches
  // sockets must see them too.
  if (busy_ && last_ && timeout_ms < 0) {
    const int got = take(*last_, accepted);
    if (got != 0) return got;
    busy_ = false;
  }
  return epoll_ >= 0 ? wait_and_take(accepted, readable, timeout_ms) : poll_and_take(accepted, timeout_ms);
}

int HTTP_Acceptor::Waiter::wait_and_take(Accepted* accepted, void** readable, int timeout_ms) {
  // One event a wait: a watched socket reports once, so an event that was fetched must
  // be served, and the others stay queued in the kernel for the next wait.
  epoll_event ready{};
  const auto start = std::chrono::steady_clock::now();
  const int count = ::epoll_wait(epoll_, &ready, 1, timeout_ms);
  busy_ = std::chrono::steady_clock::now() - start < kWaitWithoutSleep;
  if (count <= 0 || !ready.data.ptr) return 0;
  if (is_listener(ready.data.ptr)) return take(*static_cast<const Listener*>(ready.data.ptr), accepted);
  *readable = ready.data.ptr;
  return kReadable;
}

bool HTTP_Acceptor::Waiter::watch(int handle, void* tag) {
  if (epoll_ < 0) return false;
  epoll_event event{};
  event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
  event.data.ptr = tag;
  // A socket watched before stays registered, disarmed, after it reported.
  return ::epoll_ctl(epoll_, EPOLL_CTL_ADD, handle, &event) == 0 ||
         (errno == EEXIST && ::epoll_ctl(epoll_, EPOLL_CTL_MOD, handle, &event) == 0);
}

void HTTP_Acceptor::Waiter::unwatch(int handle) {
  if (epoll_ >= 0) ::epoll_ctl(epoll_, EPOLL_CTL_DEL, handle, nullptr);
}

// Without an epoll descriptor of its own, the thread waits with poll() and watches
// nothing: every waiting connection goes to the pool.
int HTTP_Acceptor::Waiter::poll_and_take(Accepted* accepted, int timeout_ms) {
  pollfd waits[3] = {{stop_handle_, POLLIN, 0}, {listeners_[0].handle, POLLIN, 0}, {listeners_[1].handle, POLLIN, 0}};
  if (::poll(waits, 3, timeout_ms) <= 0 || waits[0].revents) return 0;
  for (int i = 1; i < 3; ++i) {
    if (!waits[i].revents) continue;
    const int got = take(listeners_[i - 1], accepted);
    if (got != 0) return got;
  }
  return 0;
}
