#pragma once
#include <string>

namespace platform {

// A directory that only this account can reach, for the program's local sockets:
// "<XDG_RUNTIME_DIR>/varnok" when the session has a runtime directory, otherwise
// "/tmp/varnok-<uid>". It is created with mode 0700 when missing; one that exists must
// be a real directory (not a link), owned by this account and closed to everyone else,
// or it is not used: another account could have laid it out to catch what we send.
// Returns the path with a trailing "/", or an empty string and the reason in `error`.
std::string PrivateRuntimeDirectory(std::string* error);

// The checks above for an existing path: a directory (links not followed) owned by
// this account with no permission bits for group or others.
bool IsPrivateDirectory(const std::string& path, std::string* error);

}  // namespace platform
