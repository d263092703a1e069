#include "webserver/ServerThread.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/AppState.h"
#include "webserver/HTTP_Server.h"
#include "webserver/Stop_Signal.h"

namespace {

constexpr int kArgumentCount = 15;
constexpr size_t kSlotSize = 260;
constexpr std::chrono::milliseconds kRetryPause{6};

// The server's fixed configuration; slot 2 is the port.
class ServerArguments {
 public:
  explicit ServerArguments(const std::string& port) {
    static const char* const kFixed[kArgumentCount] = {"HTTP_Server", "-p", "",  "-n", "20",         "-i", "SYNCH",
                                                       "-t",          "PER_REQUEST", "-b", "50", "-f", "THR_NEW_LWP",
                                                       "-c",          "NO_CACHE"};
    for (int i = 0; i < kArgumentCount; ++i) {
      std::snprintf(slots_[i].data(), kSlotSize, "%s", i == 2 ? port.c_str() : kFixed[i]);
      pointers_[i] = slots_[i].data();
    }
    pointers_[kArgumentCount] = nullptr;
  }
  char** argv() { return pointers_.data(); }

 private:
  std::array<std::array<char, kSlotSize>, kArgumentCount> slots_{};
  std::array<char*, kArgumentCount + 1> pointers_{};
};

unsigned SeedFromClock() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

int RunServerThread(AppState& state, Stop_Signal* stop) {
  HTTP_Server server(state, stop);
  if (state.Port() == "0") server.listen_on_any_free_port();
  ServerArguments first(state.Port());
  int result = server.run_server(kArgumentCount, first.argv());
  std::srand(SeedFromClock());
  // A program shutting down stops looking for a port.
  auto giving_up = [&] { return state.QuitFlag() || (stop && stop->requested()); };
  while (result == HTTP_Server::kPortUnavailable && !giving_up()) {
    std::this_thread::sleep_for(kRetryPause);
    const int port = 10101 + 1 + std::rand() % 10000;
    ServerArguments retry(std::to_string(port));
    result = server.run_server(kArgumentCount, retry.argv());
  }
  return 0;
}
