#pragma once
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>

#include <chrono>
#include <optional>
#include <string>

namespace platform {

// Small helpers for Unix-domain stream sockets, shared by both ends of the hand-off.
namespace local_socket {

// The address for `path`; false when the path does not fit (sun_path is ~108 bytes).
// A path that starts with "@" names a socket of the abstract namespace: no file stands
// for it, and whoever binds the name first has it.
bool MakeAddress(const std::string& path, sockaddr_un* address, socklen_t* length);
bool IsAbstract(const std::string& path);
// The account of the process at the other end of a connected socket, as the kernel
// recorded it when the connection was made.
std::optional<uid_t> PeerUid(int fd);
// Reads until the other end stops sending, at most `limit` bytes and until `deadline`.
// False when the peer sends more than `limit`, the deadline passes or reading fails.
bool ReadAll(int fd, size_t limit, std::chrono::steady_clock::time_point deadline, std::string* bytes);
bool WriteAll(int fd, const std::string& bytes);

}  // namespace local_socket
}  // namespace platform
