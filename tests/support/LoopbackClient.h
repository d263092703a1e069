#pragma once
#include <sys/socket.h>

#include <chrono>
#include <string>

// One raw TCP connection to a server on a loopback address, for requests sent in
// pieces, clients that stop reading, and clients the server has to give up on.
class LoopbackClient {
 public:
  // `family` AF_INET connects to 127.0.0.1, AF_INET6 to [::1]. A non-zero
  // `receiveBuffer` shrinks the receive buffer before connecting, so a client that
  // stops reading holds the server up after a few kilobytes.
  explicit LoopbackClient(int port, int family = AF_INET, int receiveBuffer = 0);
  ~LoopbackClient();
  LoopbackClient(const LoopbackClient&) = delete;
  LoopbackClient& operator=(const LoopbackClient&) = delete;

  bool connected() const { return fd_ >= 0; }
  // False once the server has closed or reset the connection.
  bool Send(const std::string& bytes);
  // True once a send or a receive found the connection reset by the server.
  bool reset() const { return reset_; }
  // Everything received until the server closes (or resets, see reset()); throws, so
  // the test fails, when the server has not closed within `timeout`.
  std::string ReadAll(std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // True when the server has closed the connection within `timeout`; what it sent
  // before is appended to `received` when given.
  bool ClosedWithin(std::chrono::milliseconds timeout, std::string* received = nullptr);
  // True when a byte or the end can be read within `timeout`, without reading it.
  bool Readable(std::chrono::milliseconds timeout) const;
  void Close();

 private:
  void NoteFailure();

  int fd_ = -1;
  bool reset_ = false;
};

// True when this machine can listen on [::1].
bool Ipv6LoopbackAvailable();
