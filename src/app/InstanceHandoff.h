#pragma once
#include <string>
#include <vector>

#include "platform/HandoffListener.h"

class WindowSystem;

// How a later launch reaches the program that already runs for this account and the
// same site (VARNOK_SITE_URL): a local socket in the account's private runtime
// directory, named after the site like the single-instance token, or, where that
// directory cannot be had (another account made it first), an abstract socket of the
// same name. Both ends check the other's account. The later launch hands over its
// addresses; the running program opens them and comes to the front.
class InstanceHandoff {
 public:
  enum class Outcome {
    kOpened,       // the running program took the addresses
    kNoWindow,     // the running program has no window (--headless)
    kUnreachable,  // nothing of this account listens for this site
  };

  // The socket's path ("@..." for an abstract socket).
  static std::string SocketPath();
  // The later launch: hands `addresses` (GBK, already checked) over; none asks the
  // running program only to come to the front. Why it could not, in `reason`.
  static Outcome HandOver(const std::vector<std::string>& addresses, std::string* reason = nullptr);

  // The running program: listens until Stop, passing what arrives to `windows`; false
  // with the reason in `error` when later launches cannot reach it.
  bool Listen(WindowSystem& windows, std::string* error);
  void Stop() { listener_.Stop(); }

 private:
  platform::HandoffListener listener_;
};
