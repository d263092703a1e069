#pragma once
#include "app/WorkerThread.h"
#include "webserver/Stop_Signal.h"

// The thread of the embedded HTTP server. It runs the server until the accept loop sees
// the quit flag; stop() wakes the accept with a request for exit.ido and gives the
// server its stop signal, and returns without waiting (the destructor joins the thread
// at process exit, once the server has cut its open connections).
class ServerWorker : public WorkerThread {
 public:
  ~ServerWorker() override;
  int run() override;
  void stop() override;

 private:
  Stop_Signal stop_signal_;
};

using TheServerWorker = SingletonOf<ServerWorker>;
