#include <algorithm>

#include "DesktopTest.h"

namespace {

using namespace std::chrono_literals;

// True when the page windows lie as full-width rows, one under the other, covering the
// page area exactly, none of them maximized.
bool Tiled(const WidgetMap& map, int count) {
  const auto area = map.Find("area");
  if (!area || map.PageCount() != count) return false;
  std::vector<ScreenRect> rows;
  for (int i = 0; i < count; ++i) {
    if (map.Page(i)->Has("maximized")) return false;
    rows.push_back(map.Page(i)->rect);
  }
  std::sort(rows.begin(), rows.end(), [](const ScreenRect& a, const ScreenRect& b) { return a.y < b.y; });
  int top = area->rect.y;
  for (const ScreenRect& row : rows) {
    if (row.x != area->rect.x || row.width != area->rect.width || row.y != top) return false;
    top = row.bottom();
  }
  return top == area->rect.bottom();
}

// True when page window `index` is maximized and fills the page area.
bool FillsTheArea(const WidgetMap& map, int index) {
  const auto area = map.Find("area");
  const auto page = map.Page(index);
  return area && page && page->Has("maximized") && page->rect == area->rect;
}

class PageWindowsTest : public DesktopTest {
 protected:
  bool WaitUntilTiled(int count) {
    return program.WaitForWidgets([count](const WidgetMap& map) { return Tiled(map, count); });
  }
  void DoubleClickPageTitle(int index) {
    const auto title = program.Widgets().PageTitleBar(index);
    ASSERT_TRUE(title);
    desktop.DoubleClick({title->x + title->width / 3, title->center().y});
  }
  void ClickPageCloseBox(int index) {
    const auto title = program.Widgets().PageTitleBar(index);
    ASSERT_TRUE(title);
    // The rightmost of the title bar's three buttons.
    desktop.Click({title->right() - title->height / 2 - 4, title->center().y});
  }
  // The window manager maximizes and restores a window on a double click of its title bar.
  void ToggleMainWindowMaximized(bool maximized) {
    const auto main = program.Widgets().Find("main");
    ASSERT_TRUE(main);
    desktop.DoubleClick({main->rect.x + main->rect.width / 3, main->rect.y - 8});
    ASSERT_TRUE(program.WaitForWidgets(
        [maximized](const WidgetMap& map) { return map.Find("main")->Has("maximized") == maximized; }));
    ASSERT_TRUE(program.WaitUntilSettled());
  }
};

TEST_F(PageWindowsTest, NewWindowsTileAClosedOneLeavesNoGapAndAMaximizedOneKeepsNewOnesMaximized) {
  Start(site.Url("/first"));
  desktop.Key("ctrl+n");
  desktop.Key("ctrl+n");
  ASSERT_TRUE(WaitUntilTiled(3));

  ClickPageCloseBox(1);
  EXPECT_TRUE(WaitUntilTiled(2)) << "the rows did not close ranks";

  DoubleClickPageTitle(0);
  ASSERT_TRUE(program.WaitForWidgets([](const WidgetMap& map) { return FillsTheArea(map, 0); }));
  desktop.Key("ctrl+n");
  EXPECT_TRUE(program.WaitForWidgets([](const WidgetMap& map) { return map.PageCount() == 3 && FillsTheArea(map, 2); }));
  // Closing one of them now re-tiles nothing: the others stay maximized.
  ASSERT_TRUE(program.Click("closePage"));
  EXPECT_TRUE(program.WaitForWidgets([](const WidgetMap& map) { return map.PageCount() == 2; }));
  EXPECT_FALSE(Tiled(program.Widgets(), 2));

  ASSERT_TRUE(program.Click("tile"));
  EXPECT_TRUE(WaitUntilTiled(2));
  desktop.Key("ctrl+n");
  EXPECT_TRUE(WaitUntilTiled(3));
}

TEST_F(PageWindowsTest, TiledWindowsFollowTheMainWindowAndAMaximizedOneKeepsFillingIt) {
  Start(site.Url("/first"));
  desktop.Key("ctrl+n");
  ASSERT_TRUE(WaitUntilTiled(2));
  const ScreenRect fullArea = program.Widgets().Find("area")->rect;

  ToggleMainWindowMaximized(false);
  ASSERT_NE(program.Widgets().Find("area")->rect, fullArea);
  EXPECT_TRUE(WaitUntilTiled(2)) << "the rows kept the size of the maximized window";
  ToggleMainWindowMaximized(true);
  EXPECT_TRUE(WaitUntilTiled(2));

  DoubleClickPageTitle(1);
  ASSERT_TRUE(program.WaitForWidgets([](const WidgetMap& map) { return FillsTheArea(map, 1); }));
  ToggleMainWindowMaximized(false);
  EXPECT_TRUE(program.WaitForWidgets([](const WidgetMap& map) { return FillsTheArea(map, 1); }));
}

TEST_F(PageWindowsTest, TheBarButtonsGoBackForwardReloadGoAndHome) {
  Start(site.Url("/home"));
  ASSERT_TRUE(program.TypeAddress(site.Url("/second")));
  ASSERT_TRUE(WaitForPage(0, site.Url("/second")));
  ASSERT_TRUE(program.Click("back"));
  EXPECT_TRUE(WaitForPage(0, site.Url("/home")));
  EXPECT_EQ(site.Count("/home"), 2);
  ASSERT_TRUE(program.Click("forward"));
  EXPECT_TRUE(WaitForPage(0, site.Url("/second")));
  ASSERT_TRUE(program.Click("refresh"));
  EXPECT_TRUE(site.WaitForRequests("/second", 3));
  EXPECT_TRUE(WaitForPage(0, site.Url("/second")));

  // Go opens a new page window for the typed address.
  ASSERT_TRUE(program.Click("address"));
  desktop.Key("ctrl+a");
  desktop.Type(site.Url("/gone-to"));
  ASSERT_TRUE(program.Click("go"));
  EXPECT_TRUE(WaitForPage(1, site.Url("/gone-to")));
  // With only blanks it opens an empty one and loads nothing.
  ASSERT_TRUE(program.Click("address"));
  desktop.Key("ctrl+a");
  desktop.Type("   ");
  ASSERT_TRUE(program.Click("go"));
  EXPECT_TRUE(WaitForPageCount(3));
  // Home loads the home page into the current window, the empty one.
  ASSERT_TRUE(program.Click("home"));
  EXPECT_TRUE(WaitForPage(2, site.Url("/home")));
  EXPECT_EQ(site.Count("/gone-to"), 1);
}

TEST_F(PageWindowsTest, ThePortalButtonAndAPickFromTheAddressListLoadIntoTheCurrentWindow) {
  program.environment()["VARNOK_PORTAL_URL"] = site.Url("/portal/");
  Start(site.Url("/home"));
  ASSERT_TRUE(program.Click("navigation"));
  // The portal's navigation page, its query in GBK escapes as the generated pages write it.
  ASSERT_TRUE(site.WaitForRequests("/portal/MenuTypeAction.do")) << program.Output();
  EXPECT_EQ(site.RequestsFor("/portal/MenuTypeAction.do").front().query, "type=%CD%F8%D6%B7%B5%BC%BA%BD");
  ASSERT_TRUE(WaitForPageAddressContaining(0, "/portal/MenuTypeAction.do"));

  // The list holds the portal page over the home page: open it with its arrow and pick
  // the second entry.
  const auto box = program.Control("address");
  ASSERT_TRUE(box);
  desktop.Click({box->right() - 8, box->center().y});
  ASSERT_TRUE(WaitUntil([&] { return desktop.FindWindows(program.pid()).size() > 1; }, 30s)) << "no list opened";
  desktop.Key("Down");
  desktop.Key("Return");
  EXPECT_TRUE(WaitForPage(0, site.Url("/home")));
  EXPECT_EQ(site.Count("/home"), 2);
  EXPECT_EQ(program.Widgets().PageCount(), 1);
  // The portal page joined the history (its query kept as GBK); the home page was there.
  const std::string ini = CloseAndReadIni();
  EXPECT_NE(ini.find("[history]\r\nurl1=" + site.Url("/portal/MenuTypeAction.do?type=\xcd\xf8\xd6\xb7\xb5\xbc\xba\xbd") +
                     "\r\nurl2=" + site.Url("/home") + "\r\n"),
            std::string::npos)
      << ini;
}

}  // namespace
