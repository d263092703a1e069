#include <signal.h>

#include <filesystem>

#include "DesktopTest.h"

// The favorites and other-functions pages, used the way a person uses them: buttons of
// the address bar, links clicked where the page shows them, the form filled in with the
// keyboard. What they change is read back from varnok.ini after the window is closed.
namespace {

using namespace std::chrono_literals;

// 你好 in GBK, and as the engine writes it in an address.
const std::string kHelloGbk = "\xc4\xe3\xba\xc3";
const std::string kHelloEscaped = "%E4%BD%A0%E5%A5%BD";

// Every byte above 0x7F is part of a two-byte GBK character.
bool IsGbkText(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) continue;
    if (lead < 0x81 || lead > 0xFE || i + 1 >= text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[++i]);
    if (trail < 0x40 || trail > 0xFE || trail == 0x7F) return false;
  }
  return true;
}

// The lines of an INI section, up to the next section.
std::string Section(const std::string& ini, const std::string& name) {
  const size_t start = ini.find("[" + name + "]\r\n");
  if (start == std::string::npos) return "(no section)";
  const size_t body = start + name.size() + 4;
  std::string lines = ini.substr(body, ini.find('[', body) - body);
  // The file ends in one empty line, which belongs to no section.
  if (lines.size() >= 2 && lines.compare(lines.size() - 2, 2, "\r\n") == 0 &&
      (lines.size() == 2 || lines.compare(lines.size() - 4, 2, "\r\n") == 0))
    lines.erase(lines.size() - 2);
  return lines;
}

class LocalPagesTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    program.environment()["VARNOK_PORTAL_URL"] = site.Url("/portal/");
  }
  std::string LocalFileUrl(const std::string& name) const { return "file://" + program.dir() / name; }
  // Opens a generated page with its bar button and waits until it shows in a new window.
  int OpenGeneratedPage(const std::string& button, const std::string& file) {
    const int index = program.Widgets().PageCount();
    EXPECT_TRUE(program.Click(button));
    EXPECT_TRUE(WaitForPage(index, LocalFileUrl(file))) << program.Output();
    return index;
  }
  // The page a command leads to once it is done: the rewritten page as our own server
  // shows it (the command answers with a redirect there).
  bool WaitForRewrittenPage(int page, const std::string& file) {
    return WaitForPageAddressContaining(page, "localhost:" + std::to_string(program.port()) + "/" + file);
  }
  // Clicks a link and waits until the page window shows the page the command rewrote.
  bool ClickCommandLink(int page, const ScreenRect& link, const std::string& file) {
    desktop.Click(link.center());
    return WaitForRewrittenPage(page, file);
  }
  // Types `address` into the home page form of the other-functions page and sends it.
  void SetHomeWithTheForm(const std::string& address) {
    const int page = OpenGeneratedPage("other", "menu.htm");
    // The form's address field is the first thing Tab reaches in the page.
    desktop.Key("ctrl+l");
    desktop.Key("Tab");
    ASSERT_TRUE(WaitForFocusedField(page));
    desktop.Key("ctrl+a");
    desktop.Type(address);
    desktop.Key("Return");
    ASSERT_TRUE(WaitForRewrittenPage(page, "menu.htm"));
  }
};

TEST_F(LocalPagesTest, AFavoriteAddedWithTheButtonIsDeletedByClickingItsLinkOnTheFavoritesPage) {
  Start(site.Url("/liked"), {site.Url("/kept")});
  ASSERT_TRUE(program.Click("addFavorite"));
  const int page = OpenGeneratedPage("favorites", "scj.htm");
  // Newest first: the added one heads the list; its delete link ends its line.
  std::vector<ScreenRect> firstLine;
  ASSERT_TRUE(WaitUntil([&] { return !(firstLine = FirstLineOfLinks(page)).empty(); }, 30s));
  KeepScreenshot("favorites-page");
  ASSERT_TRUE(ClickCommandLink(page, firstLine.back(), "scj.htm"));

  const std::string ini = CloseAndReadIni();
  EXPECT_EQ(Section(ini, "soucangjia"), "url1=" + site.Url("/kept") + "\r\n") << ini;
}

TEST_F(LocalPagesTest, AnAddressWithUtf8EscapesIsKeptAsGbkAndItsFavoriteLinkStillLeadsThere) {
  // 你 in the path, 你好 in the query, as a UTF-8 site writes them.
  const std::string path = "/%E4%BD%A0/echo";
  const std::string echo = site.Url(path + "?q=" + kHelloEscaped);
  Start(site.Url("/start"));
  ASSERT_TRUE(program.TypeAddress(echo));
  ASSERT_TRUE(WaitForPage(0, echo));
  ASSERT_TRUE(program.Click("addFavorite"));
  // The favorite's link on the (GBK) favorites page: the path as before, the query as
  // the GBK characters the favorites now hold.
  const int page = OpenGeneratedPage("favorites", "scj.htm");
  std::vector<ScreenRect> firstLine;
  ASSERT_TRUE(WaitUntil([&] { return (firstLine = FirstLineOfLinks(page)).size() == 2; }, 30s));
  desktop.Click(firstLine.front().center());
  ASSERT_TRUE(site.WaitForRequests(path, 2));
  EXPECT_EQ(site.RequestsFor(path).back().query, "q=%C4%E3%BA%C3");

  const std::string ini = CloseAndReadIni();
  const std::string stored = site.Url("/\xc4\xe3/echo?q=") + kHelloGbk;
  EXPECT_EQ(Section(ini, "soucangjia").find("url1=" + stored + "\r\n"), 0u) << ini;
  EXPECT_TRUE(IsGbkText(ini)) << ini;
  EXPECT_EQ(ini.find("\xe4\xbd\xa0"), std::string::npos) << "raw UTF-8 in varnok.ini";
}

TEST_F(LocalPagesTest, AnAddressTypedWithoutSchemeIsRecordedAsTheAddressLoaded) {
  Start(site.Url("/start"));
  const std::string typed = "127.0.0.1:" + std::to_string(site.port()) + "/plain";
  ASSERT_TRUE(program.TypeAddress(typed));
  ASSERT_TRUE(site.WaitForRequests("/plain"));
  ASSERT_TRUE(WaitForPage(0, site.Url("/plain")));
  const std::string ini = CloseAndReadIni();
  EXPECT_EQ(Section(ini, "history").find("url1=" + site.Url("/plain") + "\r\n"), 0u) << ini;
}

TEST_F(LocalPagesTest, TheHomePageIsSetThroughTheOtherFunctionsForm) {
  Start(site.Url("/old-home"));
  ASSERT_NO_FATAL_FAILURE(SetHomeWithTheForm(site.Url("/new-home")));
  // The home button now leads there.
  ASSERT_TRUE(program.Click("home"));
  EXPECT_TRUE(site.WaitForRequests("/new-home"));

  const std::string ini = CloseAndReadIni();
  EXPECT_EQ(Section(ini, "homeurl"), "url1=" + site.Url("/new-home") + "\r\n") << ini;
}

TEST_F(LocalPagesTest, AHomePageSetAMomentBeforeAKillIsKept) {
  Start(site.Url("/old-home"));
  ASSERT_NO_FATAL_FAILURE(SetHomeWithTheForm(site.Url("/new-home")));
  // On the disk a moment later, with the program still running.
  const std::string saved = "url1=" + site.Url("/new-home") + "\r\n";
  ASSERT_TRUE(WaitUntil([&] { return Section(program.Ini(), "homeurl") == saved; }, 30s)) << program.Ini();

  program.Signal(SIGKILL);
  ASSERT_TRUE(program.WaitForExit(30s));
  std::filesystem::remove(program.environment()["VARNOK_WIDGET_MAP"]);  // the killed run's
  ASSERT_TRUE(program.Start()) << program.Output();
  EXPECT_TRUE(site.WaitForRequests("/new-home")) << program.Output();
  EXPECT_EQ(Section(CloseAndReadIni(), "homeurl"), saved);
}

TEST_F(LocalPagesTest, TheHistoryIsClearedByClickingItsLinkOnTheOtherFunctionsPage) {
  Start(site.Url("/start"), {}, {site.Url("/seen-1"), site.Url("/seen-2")});
  const int page = OpenGeneratedPage("other", "menu.htm");
  // The clear link comes first, above the history's own links.
  std::vector<ScreenRect> links;
  ASSERT_TRUE(WaitUntil([&] { return (links = PageLinks(page)).size() > 3; }, 30s));
  KeepScreenshot("other-functions-page");
  ASSERT_TRUE(ClickCommandLink(page, links.front(), "menu.htm"));
  const std::string ini = CloseAndReadIni();
  EXPECT_EQ(Section(ini, "history"), "") << ini;
}

}  // namespace
