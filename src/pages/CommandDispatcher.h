#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "app/Singletons.h"

// How the server answers a command URL: the response step of the embedded server
// implements this for the connection at hand.
class CommandReply {
 public:
  virtual ~CommandReply() = default;
  // The server's error page with `status` and the reason text.
  virtual void SendErrorPage(int status, const char* reason) = 0;
  // The page the command rewrote: a redirect to `url`, where the server shows the
  // file at `path`, so that reloading or going back never repeats the command.
  virtual void SendRewrittenPage(const std::string& path, const std::string& url) = 0;
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

// True when HandleCommandUrl would hand `uri` to Dispatch as one of the four commands
// that change the state (exit.ido, the probe and unknown names change nothing).
bool IsStateChangingCommand(const char* uri);

// "list=" and `version`: the query pair of a delete link that names the version of the
// list its page showed.
std::string ListVersionPair(uint64_t version);

// Reads a decimal integer the way the classic atoi does: leading white space, an
// optional sign, then digits up to the first other character; no digits give 0.
// Nothing when the number lies outside the 32-bit signed range, so that no id wraps
// round to name another entry.
std::optional<int> ParseDecimalId(const char* text);
