#pragma once
#include <chrono>
#include <functional>

#include "app/WorkerThread.h"

// When the update checks run: the first shortly after start, then again an hour after
// a failed and a day after a successful check, counted from the end of the check.
struct UpdateSchedule {
  std::chrono::milliseconds first{3000};
  std::chrono::milliseconds afterFailure{3600000};
  std::chrono::milliseconds afterSuccess{86400000};

  // The defaults, with VARNOK_UPDATE_FIRST_MS, VARNOK_UPDATE_RETRY_MS and
  // VARNOK_UPDATE_NEXT_MS overriding them (for tests and local update sites).
  static UpdateSchedule FromEnvironment();
};

// The thread that checks the product site for a new version on the schedule above.
class UpdateWorker : public WorkerThread {
 public:
  using Check = std::function<bool()>;
  using QuitRequested = std::function<bool()>;

  UpdateWorker();  // the real check, the schedule from the environment, the state's quit flag
  UpdateWorker(Check check, UpdateSchedule schedule, QuitRequested quitRequested);
  ~UpdateWorker() override;

  int run() override;

 private:
  Check check_;
  UpdateSchedule schedule_;
  QuitRequested quitRequested_;
};

using TheUpdateWorker = SingletonOf<UpdateWorker>;
