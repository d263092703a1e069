#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "LiveServer.h"

namespace {

bool IsWholePage(const std::string& answer) {
  const std::string end = "</BODY></HTML>";
  return answer.compare(0, kOwnPageOk.size() + 6, kOwnPageOk + "<HTML>") == 0 && answer.size() >= end.size() &&
         answer.compare(answer.size() - end.size(), end.size(), end) == 0;
}

// Commands arriving on many connections at once are served by as many server threads,
// while the window thread keeps adding favorites and history: every command is answered
// with its redirect, every page fetched after it is whole, and no change is lost. Under ThreadSanitizer this also shows the state's lock
// covers every path a server thread takes.
TEST(ServerConcurrencyTest, CommandsOnManyConnectionsAndWindowChangesKeepPagesWhole) {
  LiveServer server;
  AppState& state = server.state();
  constexpr int kClients = 6;
  constexpr int kRounds = 40;
  const std::string key = "&key=" + state.CommandSecret();
  std::atomic<int> redirected{0};
  std::atomic<int> whole{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      for (int i = 0; i < kRounds; ++i) {
        std::string uri = "/delscjitem_browser.ido?id=0";
        std::string page = "/scj.htm";
        if (i % 3 == 1) uri = "/delhis_browser.ido?id=0", page = "/menu.htm";
        if (i % 3 == 2)
          uri = "/sethome_browser.ido?homeurl=http://c" + std::to_string(c) + "/&Submit=x", page = "/menu.htm";
        const std::string answer = server.Exchange("GET " + uri + key + " HTTP/1.0\r\n\r\n");
        if (answer.rfind("HTTP/1.0 303 See Other\r\n", 0) == 0 && answer.find(page) != std::string::npos)
          ++redirected;
        if (IsWholePage(server.Exchange("GET " + page + " HTTP/1.0\r\n\r\n"))) ++whole;
      }
    });
  }
  for (int i = 0; i < kClients * kRounds; ++i) {
    state.AddFavorite("http://f" + std::to_string(i) + "/");
    state.AddHistory("http://h" + std::to_string(i) + "/");
  }
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(redirected.load(), kClients * kRounds);
  EXPECT_EQ(whole.load(), kClients * kRounds);
  // Each client deleted the newest favorite and history entry a third of its rounds.
  const size_t deletes = kClients * ((kRounds + 2) / 3);
  EXPECT_GE(state.Favorites().size() + deletes, static_cast<size_t>(kClients * kRounds));
  EXPECT_EQ(state.HomeUrl().rfind("http://c", 0), 0u);
}

}  // namespace
