#pragma once
#include <string>

// The process's command line as one text: the arguments joined by blanks, program path first.
std::string JoinCommandLine(int argc, char** argv);

// True when the command line ends with the install switch "-update".
bool IsInstallModeCommandLine(const std::string& commandLine);

// True when one of the arguments is exactly `flag`.
bool HasFlag(int argc, char** argv, const char* flag);

// True when a window system can be reached (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM set).
bool DisplayAvailable();
