#pragma once

// The server logs through ACE_Log_Msg: errors always, progress (debug priority) only
// when the environment variable VARNOK_VERBOSE is non-empty.
class Server_Log {
 public:
  static void configure();
  static bool verbose();
};
