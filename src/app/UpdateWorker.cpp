#include "app/UpdateWorker.h"

#include <cstdlib>

#include "app/AppState.h"
#include "update/UpdateCheck.h"

namespace {

std::chrono::milliseconds FromEnvironment(const char* name, std::chrono::milliseconds fallback) {
  const char* value = std::getenv(name);
  if (!value || !*value) return fallback;
  char* end = nullptr;
  long long ms = std::strtoll(value, &end, 10);
  return (*end == '\0' && ms >= 0) ? std::chrono::milliseconds(ms) : fallback;
}

unsigned MillisecondTick() {
  using namespace std::chrono;
  return static_cast<unsigned>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

UpdateSchedule UpdateSchedule::FromEnvironment() {
  UpdateSchedule s;
  s.first = ::FromEnvironment("VARNOK_UPDATE_FIRST_MS", s.first);
  s.afterFailure = ::FromEnvironment("VARNOK_UPDATE_RETRY_MS", s.afterFailure);
  s.afterSuccess = ::FromEnvironment("VARNOK_UPDATE_NEXT_MS", s.afterSuccess);
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
