#include <regex>

#include "DesktopTest.h"

namespace {

class AddressBoxTest : public DesktopTest {
 protected:
  std::string BoxText() const { return program.Widgets().Find("address")->Text(); }
  // Whether back and forward are enabled, as "back forward" flags ("-" for disabled).
  std::string HistoryButtons() const {
    const WidgetMap map = program.Widgets();
    return std::string(map.Find("back")->Has("disabled") ? "-" : "back") + " " +
           (map.Find("forward")->Has("disabled") ? "-" : "forward");
  }
  bool WaitForBox(const std::string& text, const std::string& buttons) const {
    return program.WaitForWidgets([&](const WidgetMap&) { return BoxText() == text && HistoryButtons() == buttons; });
  }
};

TEST_F(AddressBoxTest, TheBoxFollowsThePageLeavingItGoesNowhereAndWordsAreSearched) {
  site.Page("/first", "<html><body><a href='/second' style='font-size:60px'>second page</a></body></html>");
  program.environment()["VARNOK_SEARCH_URL"] = site.Url("/search?q=%s");
  Start(site.Url("/first"));
  EXPECT_TRUE(WaitForBox(site.Url("/first"), "- -"));
  ASSERT_TRUE(program.TypeAddress(site.Url("/typed")));
  ASSERT_TRUE(WaitForPage(0, site.Url("/typed")));

  // An address of the list typed, then the box left for the page: nothing loads. The
  // reload that follows is the sign that the click has been dealt with.
  ASSERT_TRUE(program.Click("address"));
  desktop.Key("ctrl+a");
  desktop.Type(site.Url("/first"));
  ClickIntoPage(0);
  desktop.Key("F5");
  ASSERT_TRUE(site.WaitForRequests("/typed", 2));
  EXPECT_EQ(site.Count("/first"), 1);
  EXPECT_TRUE(WaitForPage(0, site.Url("/typed")));

  ASSERT_TRUE(program.Click("back"));
  ASSERT_TRUE(WaitForPage(0, site.Url("/first")));
  EXPECT_TRUE(WaitForBox(site.Url("/first"), "- forward")) << BoxText() << " " << HistoryButtons();
  const auto links = PageLinks(0);
  ASSERT_FALSE(links.empty());
  desktop.Click({links.front().x + 5, links.front().y + links.front().height / 2});
  ASSERT_TRUE(WaitForPage(0, site.Url("/second")));
  EXPECT_TRUE(WaitForBox(site.Url("/second"), "back -")) << BoxText() << " " << HistoryButtons();

  ASSERT_TRUE(program.TypeAddress("  hello world "));
  ASSERT_TRUE(site.WaitForRequests("/search"));
  EXPECT_EQ(site.RequestsFor("/search").front().query, "q=hello%20world");
  EXPECT_TRUE(WaitForPage(0, site.Url("/search?q=hello%20world")));
  const std::string ini = CloseAndReadIni();
  EXPECT_NE(ini.find(site.Url("/search?q=hello%20world")), std::string::npos) << ini;
  EXPECT_FALSE(std::regex_search(ini, std::regex("\n[^=\r\n]+=\r\n"))) << "an empty entry:\n" << ini;
}

}  // namespace
