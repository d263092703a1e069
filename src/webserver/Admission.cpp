#include "webserver/Admission.h"

#include <ace/Log_Msg.h>
#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <optional>

#include "app/AppState.h"
#include "pages/CommandDispatcher.h"
#include "pages/CommandSecret.h"
#include "platform/SocketOwner.h"
#include "webserver/HTTP_Request.h"

namespace {

const char* const kOurHosts[] = {"localhost", "127.0.0.1", "[::1]"};

}  // namespace

Admission::Admission(const AppState& state) : state_(state), account_(geteuid()) {}

bool Admission::admit_connection(ACE_HANDLE handle, const platform::ConnectionAddresses* addresses) const {
  const std::optional<uid_t> owner =
      addresses ? platform::PeerSocketOwner(*addresses) : platform::PeerSocketOwner(handle);
  if (owner && *owner == account_) return true;
  ACE_DEBUG((LM_DEBUG, " (%t) connection of another account (%d) closed\n", owner ? static_cast<int>(*owner) : -1));
  return false;
}

bool Admission::IsOurHostName(const std::string& host) {
  // Trailing blanks are part of the stored value; they change nothing here.
  size_t end = host.find_last_not_of(" \t");
  const std::string value = end == std::string::npos ? std::string() : host.substr(0, end + 1);
  for (const char* ours : kOurHosts) {
    const size_t length = std::strlen(ours);
    if (value.size() < length || strncasecmp(value.c_str(), ours, length) != 0) continue;
    if (value.size() == length) return true;
    if (value[length] != ':') continue;
    bool digits = value.size() > length + 1;
    for (size_t i = length + 1; i < value.size(); ++i)
      digits &= std::isdigit(static_cast<unsigned char>(value[i])) != 0;
    if (digits) return true;
  }
  return false;
}

bool Admission::admit_request(const HTTP_Request& request, CommandReply& reply) const {
  // A request without Host comes from no browser (browsers always send one), so it
  // cannot be a rebound page; our own shutdown wake-up is such a request.
  for (const std::string& host : request.hosts()) {
    if (IsOurHostName(host)) continue;
    ACE_DEBUG((LM_DEBUG, " (%t) request for host [%s] closed\n", host.c_str()));
    reply.SendNothing();
    return false;
  }
  const bool command = request.status() == 200 && !request.cgi() && IsStateChangingCommand(request.uri());
  if (command && !CommandSecret::IsCarriedBy(request.uri(), state_.CommandSecret())) {
    reply.SendErrorPage(403, "the command does not come from a page of this browser");
    return false;
  }
  return true;
}
