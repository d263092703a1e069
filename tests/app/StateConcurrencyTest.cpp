#include <gtest/gtest.h>

#include <thread>

#include "app/AppState.h"
#include "pages/CommandDispatcher.h"
#include "support/TempDir.h"

namespace {

// The server thread runs commands while the window thread adds favorites and history;
// under ThreadSanitizer this must be race-free, and every written page must be whole.
TEST(StateConcurrencyTest, CommandsAndAddsFromTwoThreads) {
  TempDir dir;
  AppState state(dir / "varnok");
  CommandDispatcher dispatcher;
  constexpr int kRounds = 3000;
  std::thread server([&] {
    for (int i = 0; i < kRounds; ++i) {
      dispatcher.Dispatch(state, "/delscjitem_browser.ido?id=" + std::to_string(i % 3));
      dispatcher.Dispatch(state, "/sethome_browser.ido?homeurl=http://h" + std::to_string(i) + "/&Submit=x");
      dispatcher.Dispatch(state, i % 50 ? "/delhis_browser.ido?id=1" : "/clearhis_browser.ido/");
      if (i % 10 == 0) state.WriteMenuPage();
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    state.AddFavorite("http://f" + std::to_string(i) + "/");
    state.AddHistory("http://h" + std::to_string(i) + "/");
    if (i % 10 == 0) {
      const std::string page = ReadFileOrEmpty(dir / "scj.htm");
      EXPECT_EQ(page.substr(page.size() - 14), "</BODY></HTML>");
    }
  }
  server.join();
  EXPECT_EQ(state.HomeUrl(), "http://h" + std::to_string(kRounds - 1) + "/");
  const std::string menu = ReadFileOrEmpty(dir / "menu.htm");
  EXPECT_EQ(menu.substr(menu.size() - 18), "<br></BODY></HTML>");
}

}  // namespace
