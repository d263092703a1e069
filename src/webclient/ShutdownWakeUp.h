#pragma once
#include <string>

// Wakes the server's blocking accept at shutdown: connects to `exitUrl` (the server's
// own exit.ido) and sends "GET /exit.ido HTTP/1.0" and an empty line; reads nothing.
void SendShutdownWakeUp(const std::string& exitUrl);
