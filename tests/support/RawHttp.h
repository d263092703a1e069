#pragma once
#include <chrono>
#include <string>

// Sends `request` to 127.0.0.1:`port` and returns every byte received until the server
// closes the connection (or `timeout` passes). Empty when the connection fails.
std::string RawHttpExchange(int port, const std::string& request,
                            std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

// A port on 127.0.0.1 that nothing listens on at the moment of the call.
int FindFreePort();

// A socket listening on 127.0.0.1 at a port the system picks (stored in *port); -1 on failure.
int ListenOnLoopback(int* port, int backlog = 8);

// A socket connected to 127.0.0.1:`port`, or -1.
int ConnectLoopback(int port);

// True when something accepts connections on 127.0.0.1:`port`.
bool PortAcceptsConnections(int port);
