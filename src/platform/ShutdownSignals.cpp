#include "platform/ShutdownSignals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>

namespace platform {
namespace {

sigset_t ShutdownSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void BlockShutdownSignals() {
  sigset_t set = ShutdownSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int WaitForShutdownSignal() {
  sigset_t set = ShutdownSet();
  int sig = 0;
  while (sigwait(&set, &sig) != 0) {
  }
  return sig;
}

int ShutdownSignalFd() {
  sigset_t set = ShutdownSet();
  return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

}  // namespace platform
