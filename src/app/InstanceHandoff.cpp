#include "app/InstanceHandoff.h"

#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "app/Config.h"
#include "app/ExternalAddress.h"
#include "app/WindowSystem.h"
#include "platform/HandoffMessage.h"
#include "platform/HandoffSender.h"
#include "platform/PrivateRuntimeDirectory.h"

namespace {

const char kOpened[] = "opened\n";
const char kNoWindow[] = "no-window\n";

// The site URL can be longer than a socket path may be, so the name carries its hash.
std::string SiteKey(const std::string& siteUrl) {
  uint64_t hash = 1469598103934665603ULL;  // FNV-1a, 64 bits
  for (unsigned char c : siteUrl) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016" PRIx64, hash);
  return hex;
}

bool Verbose() {
  const char* verbose = std::getenv("VARNOK_VERBOSE");
  return verbose && *verbose;
}

}  // namespace

std::string InstanceHandoff::SocketPath() {
  const std::string name = "site-" + SiteKey(config::SiteUrl());
  std::string error;
  const std::string directory = platform::PrivateRuntimeDirectory(&error);
  if (!directory.empty()) return directory + name + ".sock";
  if (Verbose()) std::fprintf(stderr, "varnok: hand-off through an abstract socket: %s\n", error.c_str());
  return "@varnok-" + std::to_string(geteuid()) + "-" + name;
}

InstanceHandoff::Outcome InstanceHandoff::HandOver(const std::vector<std::string>& addresses, std::string* reason) {
  std::string error, answer;
  const std::string path = SocketPath();
  // Many addresses go in several messages, each within the bounds.
  size_t sent = 0;
  do {
    const size_t count = std::min(addresses.size() - sent, platform::HandoffMessage::kMaxItems);
    const std::vector<std::string> part(addresses.begin() + sent, addresses.begin() + sent + count);
    if (!platform::HandoffSender::Send(path, part, &answer, &error)) {
      if (reason) *reason = error;
      return Outcome::kUnreachable;
    }
    if (answer != kOpened) return Outcome::kNoWindow;
    sent += count;
  } while (sent < addresses.size());
  return Outcome::kOpened;
}

bool InstanceHandoff::Listen(WindowSystem& windows, std::string* error) {
  return listener_.Start(
      SocketPath(),
      [&windows](const std::vector<std::string>& items) -> std::string {
        if (!windows.ShowsPages()) return kNoWindow;
        std::vector<std::string> openable;
        for (const std::string& item : items)
          if (external_address::IsOpenable(item)) openable.push_back(item);
        windows.OpenAddresses(openable);
        return kOpened;
      },
      error);
}
