#include "app/ServerWorker.h"

#include "app/AppState.h"
#include "webclient/ShutdownWakeUp.h"
#include "webserver/ServerThread.h"

ServerWorker::~ServerWorker() { EndThread(); }

int ServerWorker::run() { return RunServerThread(); }

void ServerWorker::stop() {
  if (!started()) return;
  SendShutdownWakeUp(TheAppState::Instance().ExitUrl());
}
