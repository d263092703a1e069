#include "app/HeadlessWindowSystem.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/ShutdownSignals.h"

int HeadlessWindowSystem::RunMessageLoop() {
  platform::WaitForShutdownSignal();
  return 0;
}

void HeadlessWindowSystem::Post(MainWindowNotice notice) {
  // An exit request closes the windowless "main window" the way a signal does.
  if (notice == MainWindowNotice::kExitRequest) kill(getpid(), SIGTERM);
}

bool HeadlessWindowSystem::AskOkCancel(const std::string&, const std::string&) {
  const char* accept = std::getenv("VARNOK_UPDATE_AUTO_ACCEPT");
  return accept && std::strcmp(accept, "1") == 0;
}
