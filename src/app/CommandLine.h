#pragma once
#include <string>

// True when one of the arguments is exactly `flag`.
bool HasFlag(int argc, char** argv, const char* flag);

// True when a window system can be reached (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM set).
bool DisplayAvailable();
