#include "app/UpdateWorker.h"

#include <cstdlib>

#include "app/AppState.h"
#include "app/Config.h"
#include "update/UpdateCheck.h"

namespace {

unsigned MillisecondTick() {
  using namespace std::chrono;
  return static_cast<unsigned>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

UpdateSchedule UpdateSchedule::FromEnvironment() {
  UpdateSchedule s;
  s.first = config::MillisecondsFromEnvironment("VARNOK_UPDATE_FIRST_MS", s.first);
  s.afterFailure = config::MillisecondsFromEnvironment("VARNOK_UPDATE_RETRY_MS", s.afterFailure);
  s.afterSuccess = config::MillisecondsFromEnvironment("VARNOK_UPDATE_NEXT_MS", s.afterSuccess);
  return s;
}

UpdateWorker::UpdateWorker()
    : UpdateWorker([] { return CheckForUpdate(); }, UpdateSchedule::FromEnvironment(),
                   [] { return TheAppState::Instance().QuitFlag(); }) {}

UpdateWorker::UpdateWorker(Check check, UpdateSchedule schedule, QuitRequested quitRequested)
    : check_(std::move(check)), schedule_(schedule), quitRequested_(std::move(quitRequested)) {}

UpdateWorker::~UpdateWorker() { EndThread(); }

int UpdateWorker::run() {
  // Fall-back file names of the download use the random generator.
  std::srand(MillisecondTick());
  std::chrono::milliseconds interval = schedule_.first;
  while (started()) {
    if (event().WaitFor(interval)) {
      WorkerMessage message;
      if (pop(message) == 1)
        set_started(false);
      else
        handle(message, 0);
    } else if (quitRequested_()) {
      set_started(false);
    } else {
      interval = check_() ? schedule_.afterSuccess : schedule_.afterFailure;
    }
  }
  return 0;
}
