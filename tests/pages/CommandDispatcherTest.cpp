#include "pages/CommandDispatcher.h"

#include <gtest/gtest.h>

#include <regex>

#include "app/AppState.h"
#include "pages/CommandSecret.h"
#include "support/TempDir.h"

namespace {

// Records what the command-URL check answered.
class RecordingReply : public CommandReply {
 public:
  void SendErrorPage(int status, const char* reason) override { answer = std::to_string(status) + " " + reason; }
  void SendRewrittenPage(const std::string& path, const std::string& url) override {
    answer = "page " + path + " at " + url;
  }
  void SendNothing() override { answer = "nothing"; }
  std::string answer = "unanswered";
};

class CommandDispatcherTest : public ::testing::Test {
 protected:
  CommandDispatcherTest() : state(dir / "varnok") {
    for (const char* f : {"a", "b", "c"}) {
      state.AddFavorite(f);
      state.AddHistory(f);
    }
    state.DeleteFavorite(3);  // drop the portal entry: favorites [c, b, a]
    state.DeleteHistory(3);
  }
  std::string Handle(const std::string& uri) {
    RecordingReply reply;
    EXPECT_TRUE(HandleCommandUrl(state, uri.c_str(), reply));
    return reply.answer;
  }
  std::string Page(const char* name) { return "page " + dir / name + " at " + state.LocalBaseUrl() + name; }
  using List = std::vector<std::string>;
  TempDir dir;
  AppState state;
};

TEST_F(CommandDispatcherTest, DeleteFavoriteIdsAsTheClassicReaderReadsThem) {
  EXPECT_EQ(Handle("/delscjitem_browser.ido?id=1"), Page("scj.htm"));
  EXPECT_EQ(state.Favorites(), (List{"c", "a"}));
  EXPECT_EQ(ReadFileOrEmpty(dir / "scj.htm").find(">b<"), std::string::npos);
  Handle("/delscjitem_browser.ido?id=-1");
  Handle("/delscjitem_browser.ido?id=2");
  Handle("/delscjitem_browser.ido");
  Handle("/delscjitem_browser.ido?id=99999999999999999999");
  Handle("/delscjitem_browser.ido?id=4294967296");  // would wrap round to 0
  Handle("/delscjitem_browser.ido?id=4294967297");
  EXPECT_EQ(state.Favorites(), (List{"c", "a"}));
  Handle("/delscjitem_browser.ido?id=1&x=0");
  EXPECT_EQ(state.Favorites(), List{"c"});
  Handle("/delscjitem_browser.ido?id=abc");  // no digits read as 0
  EXPECT_TRUE(state.Favorites().empty());
}

TEST_F(CommandDispatcherTest, SetHomeTakesTheTextUpToTheFirstAmpersand) {
  EXPECT_EQ(Handle("/sethome_browser.ido?homeurl=http://x/?a=1&b=2&Submit=s"), Page("menu.htm"));
  EXPECT_EQ(state.HomeUrl(), "http://x/?a=1");
  EXPECT_NE(ReadFileOrEmpty(dir / "menu.htm").find("value=\"http://x/?a=1\""), std::string::npos);
  Handle("/sethome_browser.ido?nothing");
  EXPECT_EQ(state.HomeUrl(), "http://x/?a=1");
  Handle("/sethome_browser.ido?homeurl=");
  EXPECT_EQ(state.HomeUrl(), "");
  EXPECT_NE(ReadFileOrEmpty(dir / "menu.htm").find("value=\"\""), std::string::npos);
}

TEST_F(CommandDispatcherTest, HomeAddressesThatWouldRunInThePageAreRefused) {
  Handle("/sethome_browser.ido?homeurl=http://x/");
  for (const char* address : {"javascript:alert(document.cookie)", "JavaScript:alert(1)", " java\tscript:alert(1)",
                              "data:text/html,<script>alert(1)</script>", "vbscript:x", "javascript:1/alert(1)"}) {
    EXPECT_EQ(Handle(std::string("/sethome_browser.ido?homeurl=") + address + "&Submit=s"), Page("menu.htm"));
    EXPECT_EQ(state.HomeUrl(), "http://x/") << address;
  }
  for (const char* address : {"https://y/", "FTP://f/", "file:///home/a.htm", "www.sina.com.cn", "x.cn:8080/a",
                              "localhost:8080", ""}) {
    Handle(std::string("/sethome_browser.ido?homeurl=") + address);
    EXPECT_EQ(state.HomeUrl(), address);
  }
}

TEST_F(CommandDispatcherTest, HistoryCommands) {
  Handle("/delhis_browser.ido?id=0");
  EXPECT_EQ(state.History(), (List{"b", "a"}));
  Handle("/delhis_browser.ido?id=2");
  EXPECT_EQ(state.History(), (List{"b", "a"}));
  EXPECT_EQ(Handle("/clearhis_browser.ido/"), Page("menu.htm"));
  EXPECT_TRUE(state.History().empty());
}

// A history delete link names its entry by position, with the version of the list its
// page showed: once the history has changed (an address opened elsewhere), it changes
// nothing, and the answer is the current page, whose links work again.
TEST_F(CommandDispatcherTest, ADeleteFromAPageOlderThanItsListChangesNothing) {
  const auto deleteLink = [&](int id) {
    std::smatch link;
    const std::string page = ReadFileOrEmpty(dir / "menu.htm");
    std::regex_search(page, link, std::regex("/delhis_browser\\.ido\\?id=" + std::to_string(id) + "&[^\"]+"));
    return link.str();
  };
  state.WriteMenuPage();
  const std::string stale = deleteLink(1);
  state.AddHistory("d");
  EXPECT_EQ(Handle(stale), Page("menu.htm"));
  EXPECT_EQ(state.History(), (List{"d", "c", "b", "a"}));
  Handle(deleteLink(1));
  EXPECT_EQ(state.History(), (List{"d", "b", "a"}));
}

TEST_F(CommandDispatcherTest, OrderOfRecognition) {
  EXPECT_EQ(Handle("/exit.ido"), "501 Requested method is not implemented.");
  EXPECT_EQ(Handle("/isserver_varnok.ido/delscjitem_browser.ido?id=0"), "501 <html></html>");
  EXPECT_EQ(state.Favorites().size(), 3u);
  EXPECT_EQ(Handle("/nosuch.ido"), "nothing");
  EXPECT_EQ(Handle("/page.htm?x=.ido"), "nothing");
  // The first command name decides: a delete-favorite URI carrying another name.
  Handle("/delscjitem_browser.ido?id=0&clearhis_browser.ido");
  EXPECT_EQ(state.History().size(), 3u);
  EXPECT_EQ(state.Favorites().size(), 2u);
  RecordingReply reply;
  EXPECT_FALSE(HandleCommandUrl(state, "/scj.htm", reply));
  EXPECT_FALSE(HandleCommandUrl(state, nullptr, reply));
  EXPECT_EQ(reply.answer, "unanswered");
}

TEST(ParseDecimalIdTest, ReadsLikeAtoiWithinThe32BitRange) {
  EXPECT_EQ(ParseDecimalId("  +12x"), 12);
  EXPECT_EQ(ParseDecimalId("-3"), -3);
  EXPECT_EQ(ParseDecimalId("x1"), 0);
  EXPECT_EQ(ParseDecimalId(""), 0);
  EXPECT_EQ(ParseDecimalId("2147483647"), 2147483647);
  EXPECT_EQ(ParseDecimalId("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseDecimalId("00000000000000000000001"), 1);
  for (const char* outside : {"2147483648", "-2147483649", "4294967296", "4294967297", "99999999999999999999999"})
    EXPECT_EQ(ParseDecimalId(outside), std::nullopt) << outside;
}

TEST(CommandSecretTest, OnlyTheWholeKeyAsAQueryPairCounts) {
  const std::string key = "00112233445566778899aabbccddeeff";
  for (const std::string& uri : {"/delscjitem_browser.ido?id=0&key=" + key, "/clearhis_browser.ido/?key=" + key,
                                 "/sethome_browser.ido?homeurl=http://a/&Submit=s&key=" + key + "&x=1",
                                 "/delhis_browser.ido?key=bad&key=" + key})
    EXPECT_TRUE(CommandSecret::IsCarriedBy(uri, key)) << uri;
  for (const std::string& uri :
       {std::string("/delscjitem_browser.ido?id=0"), "/delscjitem_browser.ido?id=0&key=" + key.substr(1),
        "/delscjitem_browser.ido?id=0&key=" + key + "0", "/delscjitem_browser.ido?id=0&xkey=" + key,
        "/delscjitem_browser.ido" + key, "/delscjitem_browser.ido?id=0&KEY=" + key,
        "/delscjitem_browser.ido?id=0&key=" + key.substr(0, 31) + "E"})
    EXPECT_FALSE(CommandSecret::IsCarriedBy(uri, key)) << uri;
  EXPECT_FALSE(CommandSecret::IsCarriedBy("/clearhis_browser.ido/?key=", ""));
}

}  // namespace
