// Who the server serves and what a request may do, tried the way an attacker would:
// raw bytes on a real connection to the server on 127.0.0.1.
#include <gtest/gtest.h>

#include <filesystem>

#include "LiveServer.h"
#include "app/Config.h"
#include "support/OtherAccount.h"
#include "support/RawHttp.h"

namespace {

const std::string kProbe = "GET /isserver_varnok.ido HTTP/1.0\r\n\r\n";
const std::string kForbidden =
    ErrorAnswer("HTTP/1.1", 403, "Forbidden", "the command does not come from a page of this browser");

std::string Get(const std::string& target, const std::string& headers = "") {
  return "GET " + target + " HTTP/1.1\r\n" + headers + "\r\n";
}

// Everything a command could change: the state and the two pages on disk.
struct Snapshot {
  explicit Snapshot(AppState& state)
      : favorites(state.Favorites()),
        history(state.History()),
        home(state.HomeUrl()),
        scj(ReadFileOrEmpty(state.FavoritesPagePath())),
        menu(ReadFileOrEmpty(state.MenuPagePath())) {}
  bool operator==(const Snapshot& o) const {
    return favorites == o.favorites && history == o.history && home == o.home && scj == o.scj && menu == o.menu;
  }
  std::vector<std::string> favorites, history;
  std::string home, scj, menu;
};

class AdmissionTest : public ::testing::Test {
 protected:
  AdmissionTest() {
    for (const char* url : {"http://a/", "http://b/"}) {
      server.state().AddFavorite(url);
      server.state().AddHistory(url);
    }
    server.state().WriteMenuPage();
  }
  std::string Key() { return "key=" + server.state().CommandSecret(); }
  std::vector<std::string> Commands(const std::string& query) {
    return {"/delscjitem_browser.ido?id=0" + query, "/delhis_browser.ido?id=0" + query,
            "/clearhis_browser.ido/?x=1" + query, "/sethome_browser.ido?homeurl=http://evil/&Submit=s" + query};
  }
  LiveServer server;
};

TEST_F(AdmissionTest, AnotherAccountsConnectionsAreClosedUnanswered) {
  if (!CanActAsOtherAccount()) GTEST_SKIP() << "needs root to act as another account";
  const Snapshot before(server.state());
  const int port = server.port();
  // Even with this run's key (another account could read it from our pages on disk).
  std::vector<std::string> requests = {kProbe, Get("/scj.htm", "Host: localhost\r\n"), Get("/varnok.ini")};
  for (const std::string& command : Commands("&" + Key())) requests.push_back(Get(command));
  for (const std::string& request : requests) {
    const auto answer = RunAsOtherAccount([&] { return RawHttpExchange(port, request); });
    ASSERT_TRUE(answer.has_value()) << "could not act as another account";
    EXPECT_EQ(*answer, "") << request;
  }
  EXPECT_TRUE(Snapshot(server.state()) == before);
  // Our own account is served as before.
  EXPECT_NE(server.Exchange(kProbe).find("<html></html>"), std::string::npos);
}

TEST_F(AdmissionTest, OnlyOurOwnHostNamesAreServed) {
  WriteFileOrDie(server.root() + "a.htm", "A");
  const std::string ok = kFileOk + "A";
  for (const char* host : {"localhost", "LocalHost:10101", "127.0.0.1", "127.0.0.1:1", "[::1]", "[::1]:8080",
                           "LOCALHOST ", "localhost:65535"})
    EXPECT_EQ(server.Exchange(Get("/a.htm", std::string("Host: ") + host + "\r\n")), ok) << host;
  EXPECT_EQ(server.Exchange("GET /a.htm HTTP/1.0\r\n\r\n"), ok);  // no Host: no browser sent it
  EXPECT_EQ(server.Exchange("GET /a.htm\r\n"), "A");

  // A web site whose name resolves to 127.0.0.1 (DNS rebinding) reads nothing.
  for (const char* host :
       {"attacker.example", "localhost.attacker.example", "attacker.localhost", "127.0.0.1.nip.io", "127.0.0.2",
        "[::2]", "", "localhost:", "localhost:80x", "localhost:80:80", "[::1]x", "localhost\r\n evil"}) {
    EXPECT_EQ(server.Exchange(Get("/a.htm", std::string("Host: ") + host + "\r\n")), "") << host;
    EXPECT_EQ(server.Exchange(Get("/varnok.ini", std::string("Host: ") + host + "\r\n")), "") << host;
  }
  EXPECT_EQ(server.Exchange(Get("/a.htm", "Host: localhost\r\nHost: attacker.example\r\n")), "");
  EXPECT_EQ(server.Exchange(Get("/a.htm", "host: attacker.example\r\n")), "");

  const Snapshot before(server.state());
  for (const std::string& command : Commands("&" + Key()))
    EXPECT_EQ(server.Exchange(Get(command, "Host: attacker.example:" + std::to_string(server.port()) + "\r\n")), "");
  EXPECT_TRUE(Snapshot(server.state()) == before);
}

TEST_F(AdmissionTest, CommandsWithoutThisRunsKeyChangeNothing) {
  const Snapshot before(server.state());
  std::filesystem::create_directories(server.dir() / "other");
  AppState otherRun(server.dir() / "other/varnok");
  const std::string guess(32, '0');
  for (const std::string& query :
       {std::string(), std::string("&key="), "&key=" + guess, "&key=" + otherRun.CommandSecret(),
        "&xkey=" + server.state().CommandSecret(), "&" + Key().substr(0, 20), "&" + Key() + "0"}) {
    for (const std::string& command : Commands(query)) {
      EXPECT_EQ(server.Exchange(Get(command, "Host: localhost\r\n")), kForbidden) << command;
      EXPECT_EQ(server.Exchange("HEAD " + command + " HTTP/1.1\r\n\r\n"), kForbidden) << command;
    }
  }
  EXPECT_TRUE(Snapshot(server.state()) == before);

  // The probe and the shutdown wake-up change nothing and need no key.
  EXPECT_NE(server.Exchange(kProbe).find("<html></html>"), std::string::npos);
  EXPECT_NE(server.Exchange("GET /exit.ido HTTP/1.0\r\n\r\n").find("501"), std::string::npos);

  // With the key each command works, HEAD included.
  for (const std::string& command : Commands("&" + Key()))
    EXPECT_NE(server.Exchange("HEAD " + command + " HTTP/1.1\r\n\r\n").find("303 See Other"), std::string::npos);
  EXPECT_EQ(server.state().Favorites(), (std::vector<std::string>{"http://a/", config::PortalUrl()}));
  EXPECT_TRUE(server.state().History().empty());
  EXPECT_EQ(server.state().HomeUrl(), "http://evil/");
}

TEST_F(AdmissionTest, OutOfRangeIdsAndHomeAddressesThatRunInThePageChangeNothing) {
  const Snapshot before(server.state());
  for (const char* id : {"4294967296", "4294967297", "-4294967296", "2147483648", "-1", "99999999999999999999"}) {
    EXPECT_NE(server.Exchange(Get("/delscjitem_browser.ido?id=" + std::string(id) + "&" + Key())).find("303"),
              std::string::npos);
    server.Exchange(Get("/delhis_browser.ido?id=" + std::string(id) + "&" + Key()));
  }
  for (const char* home : {"javascript:alert(document.cookie)", "javascript%3Aalert(1)", "data:text/html,%3Cscript%3E",
                           "%20JavaScript:alert(1)", "java%09script:alert(1)"})
    server.Exchange(Get("/sethome_browser.ido?homeurl=" + std::string(home) + "&Submit=s&" + Key()));
  const Snapshot after(server.state());
  EXPECT_EQ(after.favorites, before.favorites);
  EXPECT_EQ(after.history, before.history);
  EXPECT_EQ(after.home, before.home);
}

}  // namespace
