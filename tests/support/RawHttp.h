#pragma once
#include <chrono>
#include <optional>
#include <string>

// Sends `request` to 127.0.0.1:`port` and returns every byte received until the server
// closes the connection. Throws (so the test fails, loudly) when nothing listens there
// or the server has not closed within `timeout`: an answer of nothing is only ever the
// server closing without one.
std::string RawHttpExchange(int port, const std::string& request,
                            std::chrono::milliseconds timeout = std::chrono::seconds(30));
// The same exchange for a server that may not be there yet: nothing instead of throwing.
std::optional<std::string> TryHttpExchange(int port, const std::string& request,
                                           std::chrono::milliseconds timeout = std::chrono::seconds(30));

// A port on 127.0.0.1 where connections are refused for as long as the object lives: its
// socket is bound there but does not listen, so nobody else can take the port. Listen()
// turns it into a server's socket at the same port.
class ClosedPort {
 public:
  ClosedPort();
  ~ClosedPort();
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;

  int port() const { return port_; }
  // Starts listening and hands the socket over to the caller, who closes it; -1 on failure.
  int Listen(int backlog = 8);

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A socket listening on 127.0.0.1 at a port the system picks (stored in *port); -1 on failure.
int ListenOnLoopback(int* port, int backlog = 8);

// A socket connected to 127.0.0.1:`port`, or -1.
int ConnectLoopback(int port);

// True when something accepts connections on 127.0.0.1:`port`.
bool PortAcceptsConnections(int port);
