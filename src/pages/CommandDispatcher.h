#pragma once
#include <string>

#include "app/Singletons.h"

// How the server answers a command URL: the response step of the embedded server
// implements this for the connection at hand.
class CommandReply {
 public:
  virtual ~CommandReply() = default;
  // The server's error page with `status` and the reason text.
  virtual void SendErrorPage(int status, const char* reason) = 0;
  // The success header (none for HTTP/0.9), then the file's current content.
  virtual void SendPage(const std::string& path) = 0;
  // No answer: the connection is closed and its handler released.
  virtual void SendNothing() = 0;
};

class AppState;

// Applies the command URLs of the generated pages (".ido") to the application state.
class CommandDispatcher : public SmallObjectBase {
 public:
  // Changes the state as the command in `uri` says; writes no page itself except the
  // favorites page that a successful favorite delete rewrites.
  void Dispatch(const std::string& uri);
  void Dispatch(AppState& state, const std::string& uri);
};

using TheCommandDispatcher = SingletonOf<CommandDispatcher>;

// The first step of serving a request: recognises exit.ido, the liveness probe and the
// command URLs in `uri` (already %-decoded), applies the command and answers through
// `reply`. False when the URI is no command URL and is to be served as a file.
bool HandleCommandUrl(const char* uri, CommandReply& reply);
bool HandleCommandUrl(AppState& state, const char* uri, CommandReply& reply);

// Reads a decimal integer the way the classic atoi does: leading white space, an
// optional sign, then digits up to the first other character; no digits give 0.
// Overflow wraps as 32-bit arithmetic would, instead of being undefined.
int ParseDecimalId(const char* text);
