#pragma once
#include <ace/SOCK_Stream.h>
#include <ace/Time_Value.h>

#include <cstddef>

// A plain blocking TCP client connection. Operations return 0 on success, 1 on failure.
class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // `host` is "name" or "name:port" (port 80 when absent). A non-zero `tcpNoDelay`
  // sets TCP_NODELAY, a non-zero `receiveBuffer` the socket's receive buffer size.
  // `timeout`, when given, bounds the wait for the connection to be made.
  int connect(const char* host, int tcpNoDelay, int receiveBuffer, const ACE_Time_Value* timeout = nullptr);
  int write(const char* buffer, size_t length);
  // Shuts down both directions and closes the socket.
  int close();

 private:
  ACE_SOCK_Stream stream_;
};
