#pragma once
#include <string>
#include <vector>

#include "platform/HandoffListener.h"

class WindowSystem;

// How a later launch reaches the program that already runs for this account and the
// same site (VARNOK_SITE_URL): a local socket in the account's private runtime
// directory, named after the site like the single-instance token. The later launch
// hands over its addresses; the running program opens them and comes to the front.
class InstanceHandoff {
 public:
  enum class Outcome {
    kOpened,       // the running program took the addresses
    kNoWindow,     // the running program has no window (--headless)
    kUnreachable,  // nothing of this account listens for this site
  };

  // The socket's path; empty (reason in `error`) without a private runtime directory.
  static std::string SocketPath(std::string* error);
  // The later launch: hands `addresses` (GBK, already checked) over; none asks the
  // running program only to come to the front.
  static Outcome HandOver(const std::vector<std::string>& addresses);

  // The running program: listens until Stop, passing what arrives to `windows`.
  bool Listen(WindowSystem& windows);
  void Stop() { listener_.Stop(); }

 private:
  platform::HandoffListener listener_;
};
