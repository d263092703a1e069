#pragma once
#include <ace/Time_Value.h>

#include "webserver/Admission.h"
#include "webserver/Cgi_Children.h"
#include "webserver/File_Policy.h"
#include "webserver/HTTP_Settings.h"
#include "webserver/Open_Connections.h"

class AppState;

// What every connection of one server shares: the application state the commands
// change, who may be served, the file settings and how each file may go out, the port
// really listened on, the time-out for clients, the connections being served and the CGI programs still to be reaped.
// Settings, port and time-out are fixed before the first connection is served.
struct Server_Context {
  explicit Server_Context(AppState& app) : state(app), admission(app), file_policy(app) {}

  AppState& state;
  Admission admission;
  HTTP_Settings settings;
  const File_Policy file_policy;
  int port = 0;
  // How long a client may take over its whole request head, and how long a send or a
  // receive may wait without progress.
  ACE_Time_Value receive_timeout{15};
  Open_Connections connections;
  Cgi_Children cgi_children;
};
