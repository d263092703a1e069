#include "webserver/Server_Log.h"

#include <ace/Log_Msg.h>
#include <ace/Log_Priority.h>

#include <cstdlib>

bool Server_Log::verbose() {
  const char* value = std::getenv("VARNOK_VERBOSE");
  return value && *value;
}

void Server_Log::configure() {
  ACE_Log_Msg* log = ACE_Log_Msg::instance();
  u_long mask = log->priority_mask(ACE_Log_Msg::PROCESS);
  if (verbose())
    mask |= LM_DEBUG;
  else
    mask &= ~static_cast<u_long>(LM_DEBUG);
  log->priority_mask(mask, ACE_Log_Msg::PROCESS);
}
