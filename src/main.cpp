#include "app/CommandLine.h"
#include "app/HeadlessWindowSystem.h"
#include "app/VarnokApp.h"
#include "platform/ShutdownSignals.h"

int main(int argc, char** argv) {
  // Before any thread exists, so that every thread inherits the mask and the shutdown
  // signals reach only the main loop.
  platform::BlockShutdownSignals();
  HeadlessWindowSystem windows;
  VarnokApp app(windows, JoinCommandLine(argc, argv));
  return app.Run();
}
