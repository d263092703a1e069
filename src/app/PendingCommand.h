#pragma once
#include <string>

// The command line that shutdown launches after an accepted update: the quoted path of
// the downloaded program followed by "-update". Empty when there is none.
std::string PendingCommand();
void SetPendingCommand(const std::string& commandLine);
