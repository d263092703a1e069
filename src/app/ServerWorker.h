#pragma once
#include "app/WorkerThread.h"

// The thread of the embedded HTTP server. It runs the server until the accept loop sees
// the quit flag; stop() wakes the blocking accept with a request for exit.ido and
// returns without waiting (the destructor joins the thread at process exit).
class ServerWorker : public WorkerThread {
 public:
  ~ServerWorker() override;
  int run() override;
  void stop() override;
};

using TheServerWorker = SingletonOf<ServerWorker>;
