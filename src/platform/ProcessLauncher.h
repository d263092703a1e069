#pragma once
#include <string>
#include <vector>

namespace platform {

// Splits a command line the way the Windows launcher reads one: a program path,
// in double quotes when it holds blanks (or is quoted anyway), then the rest split
// at blanks. "\"/a b/varnok\"-update" gives {"/a b/varnok", "-update"}.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Starts the program in a new session so that it outlives this process; the child
// is not waited for. False when it could not be started.
bool LaunchDetached(const std::vector<std::string>& argv);
bool LaunchDetached(const std::string& commandLine);

}  // namespace platform
