#pragma once
#include <string>
#include <vector>

namespace platform {

// Counts processes whose executable file name (no directory) equals `name` exactly,
// case-sensitive; stops counting at `limit`.
int CountProcessesNamed(const std::string& name, int limit);

// True when any process other than this one runs the executable at `path`.
bool AnyOtherProcessRuns(const std::string& path);

}  // namespace platform
