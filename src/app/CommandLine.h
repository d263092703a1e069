#pragma once

// True when a window system can be reached (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM set).
bool DisplayAvailable();
