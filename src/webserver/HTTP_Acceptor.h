#pragma once
#include <ace/SOCK_Acceptor.h>

#include <chrono>

#include "platform/SocketOwner.h"

// The server's listening sockets: one port on both loopback addresses, 127.0.0.1 and
// [::1]. Pages address the server as "localhost", which a client may resolve to either,
// so holding both keeps any other program from answering under our port. A machine
// without IPv6 is served on 127.0.0.1 alone.
class HTTP_Acceptor {
 public:
  // Both socket buffers of every connection, set once on the listening sockets: accepted
  // sockets inherit them.
  static constexpr int kSocketBufferSize = 65536;

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

  // A connection as accept() hands it over, with both its addresses.
  struct Accepted {
    ACE_HANDLE handle = ACE_INVALID_HANDLE;
    platform::ConnectionAddresses addresses;
  };

  // One thread's wait for connections, and for the sockets it watches: connections it
  // took whose request head is still arriving. Every accepting thread has its own, and
  // each new connection wakes one waiting thread, not all of them.
  class Waiter {
   public:
    // `stop_handle` becoming readable ends every wait.
    Waiter(const HTTP_Acceptor& acceptor, int stop_handle);
    ~Waiter();
    Waiter(const Waiter&) = delete;
    Waiter& operator=(const Waiter&) = delete;

    static constexpr int kAccepted = 1;
    static constexpr int kReadable = 2;
    //  kAccepted: *accepted holds a new connection (close-on-exec, blocking);
    //  kReadable: a watched socket became readable; *readable is the tag it was watched
    //             with, and it is no longer watched;
    //  0: nothing (stop requested, `timeout_ms` passed, interrupted, or another thread
    //     was quicker);
    // -1: accepting failed, errno tells why.
    // `timeout_ms` < 0 waits without a limit.
    int wait(Accepted* accepted, void** readable, int timeout_ms);
    // Wakes one wait once `handle` is readable or closed, with `tag`. False when the
    // system refuses.
    bool watch(int handle, void* tag);
    // No wake-up for `handle` any more, watched or not.
    void unwatch(int handle);

   private:
    struct Listener {
      ACE_HANDLE handle;
      sockaddr_storage address;
    };
    int take(const Listener& listener, Accepted* accepted);
    int wait_and_take(Accepted* accepted, void** readable, int timeout_ms);
    int poll_and_take(Accepted* accepted, int timeout_ms);
    bool is_listener(const void* tag) const { return tag == &listeners_[0] || tag == &listeners_[1]; }

    Listener listeners_[2];
    int stop_handle_;
    int epoll_ = -1;
    // The listener that gave the last connection, and whether more were queued behind
    // it: a busy server takes the next one without a wait, an idle one waits first
    // instead of trying an empty queue.
    const Listener* last_ = nullptr;
    bool busy_ = false;
  };

 private:
  static int open_one(ACE_SOCK_Acceptor& acceptor, int port, const char* address, int family, int backlog);
  static sockaddr_storage local_address(const ACE_SOCK_Acceptor& acceptor);

  ACE_SOCK_Acceptor v4_;
  ACE_SOCK_Acceptor v6_;
  int port_ = 0;
};
