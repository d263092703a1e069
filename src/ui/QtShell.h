#pragma once
#include <string>
#include <vector>

// Runs the program with its Qt windows: checks that a display can be reached (one clear
// line on standard error and a non-zero exit otherwise), turns the web engine's sandbox
// off when running as root, then runs the start-up spine, the message loop and shutdown.
// `install`: started by an update as its installer; `addresses` (GBK) open after the
// home page.
int RunQtShell(int argc, char** argv, bool install, std::vector<std::string> addresses);
