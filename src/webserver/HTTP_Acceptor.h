#pragma once
#include <ace/SOCK_Acceptor.h>

// The server's listening sockets: one port on both loopback addresses, 127.0.0.1 and
// [::1]. Pages address the server as "localhost", which a client may resolve to either,
// so holding both keeps any other program from answering under our port. A machine
// without IPv6 is served on 127.0.0.1 alone.
class HTTP_Acceptor {
 public:
  HTTP_Acceptor() = default;
  ~HTTP_Acceptor() { close(); }
  HTTP_Acceptor(const HTTP_Acceptor&) = delete;
  HTTP_Acceptor& operator=(const HTTP_Acceptor&) = delete;

  // 0 when `port` is ours on 127.0.0.1 and, where the machine has it, on [::1]; -1 (with
  // errno from the failed address, nothing left open) when either is taken.
  int open(int port, int backlog);
  void close();

  int port() const { return port_; }
  bool serves_ipv6() const { return v6_.get_handle() != ACE_INVALID_HANDLE; }

  // Waits until a connection can be taken or `stop_handle` becomes readable.
  //  1: *accepted holds the new connection (close-on-exec, blocking);
  //  0: nothing to take (stop requested, interrupted, or the peer already left);
  // -1: accepting failed, errno tells why.
  int accept(int stop_handle, ACE_HANDLE* accepted);

 private:
  static int open_one(ACE_SOCK_Acceptor& acceptor, int port, const char* address, int family, int backlog);

  ACE_SOCK_Acceptor v4_;
  ACE_SOCK_Acceptor v6_;
  int port_ = 0;
  bool v6_first_ = false;  // alternates, so neither address starves the other
};
