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

  // One thread's wait for connections. Every serving thread has its own, and each new
  // connection wakes one waiting thread, not all of them.
  class Waiter {
   public:
    // `stop_handle` becoming readable ends every wait.
    Waiter(const HTTP_Acceptor& acceptor, int stop_handle);
    ~Waiter();
    Waiter(const Waiter&) = delete;
    Waiter& operator=(const Waiter&) = delete;

    //  1: *accepted holds a new connection (close-on-exec, blocking);
    //  0: nothing to take (stop requested, interrupted, or another thread was quicker);
    // -1: accepting failed, errno tells why.
    int accept(ACE_HANDLE* accepted);

   private:
    ACE_HANDLE listeners_[2];
    int stop_handle_;
    int epoll_ = -1;
    bool v6_first_ = false;  // alternates, so neither address starves the other
  };

 private:
  static int open_one(ACE_SOCK_Acceptor& acceptor, int port, const char* address, int family, int backlog);

  ACE_SOCK_Acceptor v4_;
  ACE_SOCK_Acceptor v6_;
  int port_ = 0;
};
