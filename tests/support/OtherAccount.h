#pragma once
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

// Another user account of the machine, for tests of what one account can do to another.
constexpr uid_t kOtherAccount = 65534;  // nobody

// True when this process can act as the other account (it runs as root, as CI does).
bool CanActAsOtherAccount();

// Runs `work` in a child process that has dropped to the other account (its groups, gid
// and uid all become 65534) and returns what `work` returned. Nothing when the child
// could not switch accounts or died.
std::optional<std::string> RunAsOtherAccount(const std::function<std::string()>& work);
