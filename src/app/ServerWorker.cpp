#include "app/ServerWorker.h"

#include "app/AppState.h"
#include "webclient/ShutdownWakeUp.h"
#include "webserver/ServerThread.h"

ServerWorker::~ServerWorker() { EndThread(); }

int ServerWorker::run() { return RunServerThread(TheAppState::Instance(), &stop_signal_); }

void ServerWorker::stop() {
  if (!started()) return;
  SendShutdownWakeUp(TheAppState::Instance().ExitUrl());
  // The wake-up cannot get through a full listen queue; the signal always does.
  stop_signal_.request();
}
