#pragma once
#include <sys/socket.h>
#include <sys/types.h>

#include <optional>

namespace platform {

// The user account that owns the other end of a TCP connection between two sockets of
// this machine (`fd` is our end, accepted from a loopback listener), or of a local
// (AF_UNIX) socket. The kernel's socket
// diagnostics are asked for the peer's socket by its address pair; /proc/net/tcp and
// tcp6 are read when those are unavailable. Nothing when the peer's socket cannot be
// found, or when no process holds it any more (a client that already closed it): then
// nobody can be told apart from anybody, and the caller should not serve the connection.
std::optional<uid_t> PeerSocketOwner(int fd);

// Both addresses of an accepted TCP connection, known without asking the kernel: the
// listener's own address and the peer's, as accept() gave it.
struct ConnectionAddresses {
  sockaddr_storage ours{};
  sockaddr_storage peer{};
};
// The same question for a TCP connection whose addresses are known.
std::optional<uid_t> PeerSocketOwner(const ConnectionAddresses& addresses);

// Opens the calling thread's channel to the socket diagnostics now instead of at its
// first question: a serving thread then holds its descriptors from its start, and
// still has them when the process runs short of descriptors.
void OpenPeerOwnerQueries();

}  // namespace platform
