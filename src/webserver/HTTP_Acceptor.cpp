#include "webserver/HTTP_Acceptor.h"

#include <ace/INET_Addr.h>
#include <ace/Log_Msg.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

int HTTP_Acceptor::open_one(ACE_SOCK_Acceptor& acceptor, int port, const char* address, int family, int backlog) {
  ACE_INET_Addr local(static_cast<u_short>(port), address, family);
  if (acceptor.open(local, 1, family == AF_INET6 ? PF_INET6 : PF_INET, backlog, 0, 1) == -1) return -1;
  // Connections are taken only after poll() reported them; a peer that gave up in
  // between must not leave accept() waiting for the next one.
  acceptor.enable(ACE_NONBLOCK);
  // CGI programs get their connection as standard handles, never a listening socket.
  ::fcntl(acceptor.get_handle(), F_SETFD, FD_CLOEXEC);
  return 0;
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

int HTTP_Acceptor::accept(int stop_handle, ACE_HANDLE* accepted) {
  pollfd waits[3] = {{stop_handle, POLLIN, 0}, {v4_.get_handle(), POLLIN, 0}, {v6_.get_handle(), POLLIN, 0}};
  const nfds_t count = serves_ipv6() ? 3 : 2;
  if (::poll(waits, count, -1) <= 0 || waits[0].revents) return 0;
  v6_first_ = !v6_first_;
  for (nfds_t i = 0; i + 1 < count; ++i) {
    const pollfd& ready = waits[1 + ((i + (v6_first_ ? 1 : 0)) % (count - 1))];
    if (!ready.revents) continue;
    const int handle = ::accept4(ready.fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (handle >= 0) {
      *accepted = handle;
      return 1;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
    return -1;
  }
  return 0;
}
