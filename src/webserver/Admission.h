#pragma once
#include <ace/config-macros.h>
#include <sys/types.h>

#include <string>

#include "platform/SocketOwner.h"

class AppState;
class CommandReply;
class HTTP_Request;

// Who the server serves and what a request may do, decided before any response:
// - a connection from another account's process is closed unanswered;
// - a request that names a host other than our own (DNS rebinding: a web site's name
//   resolving to 127.0.0.1) is closed unanswered;
// - a command that changes the state must carry this run's key (see CommandSecret);
//   without it the answer is 403 and nothing changes.
class Admission {
 public:
  explicit Admission(const AppState& state);

  // For each accepted connection, before anything is read from it. `addresses`, when
  // the acceptor knows them, spare asking the kernel for them.
  bool admit_connection(ACE_HANDLE handle, const platform::ConnectionAddresses* addresses = nullptr) const;
  // For each complete request. When it refuses, it has answered (or closed) the request
  // through `reply`, and the caller must not answer again.
  bool admit_request(const HTTP_Request& request, CommandReply& reply) const;

  // "localhost", "127.0.0.1" or "[::1]", in any letter case, with or without a port.
  static bool IsOurHostName(const std::string& host);

 private:
  const AppState& state_;
  uid_t account_;
};
