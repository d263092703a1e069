#include <cstdlib>

#include "app/CommandLine.h"
#include "app/HeadlessWindowSystem.h"
#include "app/VarnokApp.h"
#include "platform/ShutdownSignals.h"
#ifdef VARNOK_WITH_UI
#include "ui/QtShell.h"
#endif

int main(int argc, char** argv) {
  // Before any thread exists, so that every thread inherits the mask and the shutdown
  // signals reach only the main loop.
  platform::BlockShutdownSignals();
  if (HasFlag(argc, argv, "--verbose")) setenv("VARNOK_VERBOSE", "1", 1);
  const std::string commandLine = JoinCommandLine(argc, argv);
#ifdef VARNOK_WITH_UI
  // An installer started where no display is reachable still installs, without its window.
  const bool windowless = HasFlag(argc, argv, "--headless") || (IsInstallModeCommandLine(commandLine) && !DisplayAvailable());
  if (!windowless) return RunQtShell(argc, argv, commandLine);
#endif
  HeadlessWindowSystem windows;
  VarnokApp app(windows, commandLine);
  return app.Run();
}
