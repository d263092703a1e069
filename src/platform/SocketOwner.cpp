#include "platform/SocketOwner.h"

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace platform {
namespace {

constexpr int kListenState = 10;  // TCP_LISTEN in the kernel's numbering

// One end of a connection: family, address (4 or 16 bytes, network order) and port
// (network order).
struct Endpoint {
  int family = AF_UNSPEC;
  unsigned char address[16] = {};
  uint16_t port = 0;
};

Endpoint FromSockaddr(const sockaddr_storage& storage) {
  Endpoint end;
  if (storage.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(storage);
    end.family = AF_INET;
    std::memcpy(end.address, &in.sin_addr, 4);
    end.port = in.sin_port;
  } else if (storage.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(storage);
    end.port = in6.sin6_port;
    if (IN6_IS_ADDR_V4MAPPED(&in6.sin6_addr)) {
      // A dual-stack listener sees IPv4 clients as mapped addresses; their sockets are IPv4.
      end.family = AF_INET;
      std::memcpy(end.address, in6.sin6_addr.s6_addr + 12, 4);
    } else {
      end.family = AF_INET6;
      std::memcpy(end.address, in6.sin6_addr.s6_addr, 16);
    }
  }
  return end;
}

size_t AddressSize(int family) { return family == AF_INET ? 4 : 16; }

// The kernel's socket diagnostics, asked for one socket at a time. A thread keeps its
// netlink socket for all its questions: opening one costs more than asking.
class SocketDiagnostics {
 public:
  SocketDiagnostics() : fd_(socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG)) {
    // The kernel answers at once; should it ever not, the connection is refused
    // rather than its serving thread held.
    const timeval deadline{1, 0};
    if (fd_ >= 0) setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &deadline, sizeof deadline);
  }
  ~SocketDiagnostics() {
    if (fd_ >= 0) close(fd_);
  }

  // The owner of the socket whose own end is `peer` and whose other end is `ours`; -1
  // when there is no answer, -2 when the socket exists but nobody holds it.
  long Ask(const Endpoint& peer, const Endpoint& ours) {
    if (fd_ < 0 || !Send(peer, ours)) return -1;
    alignas(nlmsghdr) char buffer[8192];
    // An answer left over from an interrupted question is skipped by its number.
    for (;;) {
      ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
      if (got <= 0) return -1;
      const auto* reply = reinterpret_cast<const nlmsghdr*>(buffer);
      if (!NLMSG_OK(reply, static_cast<unsigned>(got))) return -1;
      if (reply->nlmsg_seq != sequence_) continue;
      if (reply->nlmsg_type != SOCK_DIAG_BY_FAMILY) return -1;  // NLMSG_ERROR: no such socket
      return OwnerIn(*static_cast<const inet_diag_msg*>(NLMSG_DATA(reply)), peer, ours);
    }
  }

 private:
  bool Send(const Endpoint& peer, const Endpoint& ours) {
    struct {
      nlmsghdr header;
      inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;
    message.header.nlmsg_seq = ++sequence_;
    message.request.sdiag_family = static_cast<__u8>(peer.family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = ~0u;
    message.request.id.idiag_sport = peer.port;
    message.request.id.idiag_dport = ours.port;
    std::memcpy(message.request.id.idiag_src, peer.address, AddressSize(peer.family));
    std::memcpy(message.request.id.idiag_dst, ours.address, AddressSize(ours.family));
    message.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    message.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    return sendto(fd_, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) ==
           static_cast<ssize_t>(sizeof message);
  }

  static long OwnerIn(const inet_diag_msg& found, const Endpoint& peer, const Endpoint& ours) {
    // An exact lookup may fall back to a listening socket on the peer's port, which
    // says nothing about who connected; the connection's own socket must answer.
    const bool same = found.id.idiag_sport == peer.port && found.id.idiag_dport == ours.port &&
                      std::memcmp(found.id.idiag_src, peer.address, AddressSize(peer.family)) == 0 &&
                      std::memcmp(found.id.idiag_dst, ours.address, AddressSize(ours.family)) == 0;
    if (!same || found.idiag_state == kListenState) return -1;
    // A socket its process has closed (orphaned, or in TIME-WAIT) has no inode and
    // reports uid 0.
    if (found.idiag_inode == 0) return -2;
    return static_cast<long>(found.idiag_uid);
  }

  int fd_;
  uint32_t sequence_ = 0;
};

// "0100007F:2775": how /proc/net/tcp writes an address and port (each 32-bit word of
// the address as the machine holds it, in hex; the port in host order).
std::string ProcText(const Endpoint& end) {
  std::string text;
  char word[9];
  for (size_t i = 0; i < AddressSize(end.family); i += 4) {
    uint32_t value;
    std::memcpy(&value, end.address + i, 4);
    std::snprintf(word, sizeof word, "%08X", value);
    text += word;
  }
  char port[6];
  std::snprintf(port, sizeof port, "%04X", ntohs(end.port));
  return text + ":" + port;
}

long AskProcNetTcp(const Endpoint& peer, const Endpoint& ours) {
  std::ifstream table(peer.family == AF_INET ? "/proc/net/tcp" : "/proc/net/tcp6");
  if (!table) return -1;
  const std::string local = ProcText(peer);
  const std::string remote = ProcText(ours);
  std::string line;
  std::getline(table, line);  // column titles
  while (std::getline(table, line)) {
    std::istringstream columns(line);
    std::string slot, own, other, state, queues, timer, retransmits, uid, timeout, inode;
    columns >> slot >> own >> other >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
    if (own != local || other != remote) continue;
    if (state == "0A") return -1;  // listening
    if (inode == "0") return -2;
    return std::strtol(uid.c_str(), nullptr, 10);
  }
  return -1;
}

SocketDiagnostics& ThreadDiagnostics() {
  thread_local SocketDiagnostics diagnostics;
  return diagnostics;
}

}  // namespace

void OpenPeerOwnerQueries() { ThreadDiagnostics(); }

std::optional<uid_t> PeerSocketOwner(int fd) {
  ConnectionAddresses addresses;
  socklen_t oursSize = sizeof addresses.ours, peerSize = sizeof addresses.peer;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&addresses.ours), &oursSize) != 0) return std::nullopt;
  if (addresses.ours.ss_family == AF_UNIX) {
    // A local socket: the kernel recorded who connected (or made the pair).
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || credentials.pid == 0) return std::nullopt;
    return credentials.uid;
  }
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&addresses.peer), &peerSize) != 0) return std::nullopt;
  return PeerSocketOwner(addresses);
}

std::optional<uid_t> PeerSocketOwner(const ConnectionAddresses& addresses) {
  const Endpoint ours = FromSockaddr(addresses.ours);
  const Endpoint peer = FromSockaddr(addresses.peer);
  if (peer.family == AF_UNSPEC || peer.family != ours.family) return std::nullopt;
  long owner = ThreadDiagnostics().Ask(peer, ours);
  if (owner == -1) owner = AskProcNetTcp(peer, ours);
  if (owner < 0) return std::nullopt;
  return static_cast<uid_t>(owner);
}

}  // namespace platform
