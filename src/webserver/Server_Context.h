#pragma once
#include <ace/Time_Value.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "webserver/Admission.h"
#include "webserver/HTTP_Settings.h"

class AppState;

// What every connection of one server shares: the application state the commands
// change, who may be served, the file settings, the port really listened on, the
// receive time-out, and the CGI programs still to be reaped.
struct Server_Context {
  explicit Server_Context(AppState& app) : state(app), admission(app) {}

  AppState& state;
  Admission admission;
  HTTP_Settings settings;
  int port = 0;
  ACE_Time_Value receive_timeout{15};
  std::vector<pid_t> cgi_children;
};
