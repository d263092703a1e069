#include "DesktopTest.h"

namespace {

using namespace std::chrono_literals;

// A page with one text field; typing into it and pressing Enter sends the text, with
// the page's name, to /typed.
std::string FormPage(const std::string& who) {
  return "<html><head><title>form " + who + "</title></head><body><form action=\"/typed\">"
         "<input type=hidden name=who value=\"" + who + "\"><input name=q size=30></form></body></html>";
}

class KeyboardTest : public DesktopTest {
 protected:
  // Clicks into the current page, so the keyboard focus is inside the page.
  void ClickIntoPage() { DesktopTest::ClickIntoPage(program.Widgets().CurrentPage()); }
  void ClickIntoAddressBox() { ASSERT_TRUE(program.Click("address")); }
  bool WaitForCurrentPage(int index) {
    return program.WaitForWidgets([&](const WidgetMap& map) { return map.CurrentPage() == index; });
  }
};

TEST_F(KeyboardTest, EnterAndKeypadEnterLoadTheTypedAddressIntoTheCurrentPage) {
  Start(site.Url("/home"));
  ASSERT_TRUE(program.TypeAddress(site.Url("/by-return"), "Return"));
  EXPECT_TRUE(WaitForPage(0, site.Url("/by-return"))) << program.Output();
  ASSERT_TRUE(program.TypeAddress(site.Url("/by-keypad"), "KP_Enter"));
  EXPECT_TRUE(WaitForPage(0, site.Url("/by-keypad"))) << program.Output();
  // An address already in the box is loaded again, each time the key is pressed.
  ASSERT_TRUE(program.TypeAddress(site.Url("/by-return"), "Return"));
  EXPECT_TRUE(site.WaitForRequests("/by-return", 2));
  // All of it went into the one page window there was.
  EXPECT_EQ(program.Widgets().PageCount(), 1);
}

TEST_F(KeyboardTest, BackForwardAndReloadKeysWorkFromTheAddressBoxAndFromThePage) {
  Start(site.Url("/a"));
  ASSERT_TRUE(program.TypeAddress(site.Url("/b")));
  ASSERT_TRUE(WaitForPage(0, site.Url("/b")));
  // Each key, first with the focus still in the address box, then inside the page; each
  // must reach the site again (its pages are never cached).
  struct Step {
    const char* key;
    const char* path;
  };
  const Step steps[] = {{"alt+Left", "/a"}, {"alt+Right", "/b"}, {"F5", "/b"}, {"ctrl+r", "/b"}};
  for (bool inPage : {false, true}) {
    if (inPage) ClickIntoPage();
    for (const Step& step : steps) {
      const int before = site.Count(step.path);
      desktop.Key(step.key);
      EXPECT_TRUE(site.WaitForRequests(step.path, before + 1)) << step.key << (inPage ? " in the page" : " in the box");
      ASSERT_TRUE(WaitForPage(0, site.Url(step.path)));
    }
  }
}

TEST_F(KeyboardTest, AddressKeysSelectTheWholeAddressWhereverTheFocusIs) {
  Start(site.Url("/start"));
  for (const std::string key : {"ctrl+l", "alt+d", "F6"}) {
    ClickIntoPage();
    desktop.Key(key);
    // The selected address is replaced by what is typed.
    desktop.Type(site.Url("/via-" + key));
    desktop.Key("Return");
    EXPECT_TRUE(site.WaitForRequests("/via-" + key)) << key;
    ASSERT_TRUE(WaitForPage(0, site.Url("/via-" + key)));
  }
  // From the box itself, after the caret was put somewhere inside the text.
  ClickIntoAddressBox();
  desktop.Key("ctrl+l");
  desktop.Type(site.Url("/again"));
  desktop.Key("Return");
  EXPECT_TRUE(site.WaitForRequests("/again"));
  EXPECT_EQ(site.Count("/start"), 1);
}

TEST_F(KeyboardTest, CopyAndPasteKeysWorkOnTheAddressBoxText) {
  Start(site.Url("/start"));
  ASSERT_TRUE(program.Click("address"));
  desktop.Key("ctrl+a");
  desktop.Type(site.Url("/copied"));
  desktop.Key("ctrl+a");
  desktop.Key("ctrl+c");
  desktop.Key("BackSpace");
  // The box is empty now; what comes back is what was copied.
  desktop.Key("ctrl+v");
  desktop.Key("Return");
  EXPECT_TRUE(site.WaitForRequests("/copied")) << program.Output();
}

TEST_F(KeyboardTest, TabLeadsFromTheAddressBoxIntoTheCurrentPageWindow) {
  site.Page("/form-first", FormPage("first"));
  site.Page("/form-second", FormPage("second"));
  Start(site.Url("/form-first"));
  // Go opens the second page window, which becomes the current one.
  ASSERT_TRUE(program.Click("address"));
  desktop.Key("ctrl+a");
  desktop.Type(site.Url("/form-second"));
  ASSERT_TRUE(program.Click("go"));
  ASSERT_TRUE(WaitForPageCount(2));
  ASSERT_TRUE(WaitForPage(1, site.Url("/form-second")));
  ASSERT_TRUE(WaitForCurrentPage(1));

  desktop.Key("ctrl+l");
  desktop.Key("Tab");
  ASSERT_TRUE(WaitForFocusedField(1));
  desktop.Type("hello");
  desktop.Key("Return");
  ASSERT_TRUE(site.WaitForRequests("/typed")) << program.Output();
  EXPECT_EQ(site.RequestsFor("/typed").front().query, "who=second&q=hello");
}

TEST_F(KeyboardTest, CtrlNOpensEmptyPageWindowsAndCtrlWOrCtrlF4ClosesTheCurrentOne) {
  Start(site.Url("/start"));
  desktop.Key("ctrl+n");  // focus in the address box
  ASSERT_TRUE(WaitForPageCount(2));
  ASSERT_TRUE(WaitForCurrentPage(1));
  ClickIntoPage();
  desktop.Key("ctrl+n");  // focus in a page
  ASSERT_TRUE(WaitForPageCount(3));
  ASSERT_TRUE(WaitForCurrentPage(2));
  // New page windows are empty: nothing more was asked of any site.
  EXPECT_EQ(site.Requests().size(), site.RequestsFor("/favicon.ico").size() + 1);

  ClickIntoPage();
  desktop.Key("ctrl+w");
  EXPECT_TRUE(WaitForPageCount(2));
  ClickIntoAddressBox();
  desktop.Key("ctrl+w");
  EXPECT_TRUE(WaitForPageCount(1));
  desktop.Key("ctrl+n");
  ASSERT_TRUE(WaitForPageCount(2));
  desktop.Key("ctrl+F4");
  EXPECT_TRUE(WaitForPageCount(1));
}

TEST_F(KeyboardTest, CtrlTabGoesToTheNextPageWindowAndCtrlShiftTabToThePreviousOne) {
  Start(site.Url("/start"));
  desktop.Key("ctrl+n");
  desktop.Key("ctrl+n");
  ASSERT_TRUE(WaitForPageCount(3));
  ASSERT_TRUE(WaitForCurrentPage(2));
  // In the order the windows were opened, round from the last to the first; each key
  // pressed with the focus in the page, then in the address box.
  const std::pair<const char*, int> steps[] = {
      {"ctrl+Tab", 0}, {"ctrl+Tab", 1}, {"ctrl+shift+Tab", 0}, {"ctrl+shift+Tab", 2}};
  for (bool inPage : {true, false}) {
    for (const auto& [key, next] : steps) {
      if (inPage)
        ClickIntoPage();
      else
        ClickIntoAddressBox();
      const int before = program.Widgets().CurrentPage();
      desktop.Key(key);
      ASSERT_TRUE(WaitForCurrentPage(next)) << key << " from " << before << (inPage ? " in the page" : " in the box")
                                            << " went to " << program.Widgets().CurrentPage();
    }
  }
}

TEST_F(KeyboardTest, EscapeStopsLoadingTheCurrentPage) {
  site.Hold("/slow");
  site.Hold("/slower");
  Start(site.Url("/start"));
  ASSERT_TRUE(program.TypeAddress(site.Url("/slow")));
  ASSERT_TRUE(site.WaitForRequests("/slow"));
  desktop.Key("Escape");
  EXPECT_TRUE(site.WaitForAbandoned("/slow")) << program.Output();
  EXPECT_TRUE(WaitForPageIdle(0));

  ASSERT_TRUE(program.TypeAddress(site.Url("/slower")));
  ASSERT_TRUE(site.WaitForRequests("/slower"));
  ClickIntoPage();
  desktop.Key("Escape");
  EXPECT_TRUE(site.WaitForAbandoned("/slower")) << program.Output();
  EXPECT_TRUE(WaitForPageIdle(0));
}

TEST_F(KeyboardTest, CtrlPOpensAChinesePrintDialogFromTheBoxAndFromThePage) {
  Start(site.Url("/start"));
  for (bool inPage : {false, true}) {
    if (inPage)
      ClickIntoPage();
    else
      ClickIntoAddressBox();
    desktop.Key("ctrl+p");
    std::vector<VirtualDesktop::WindowId> dialogs;
    ASSERT_TRUE(WaitUntil(
        [&] {
          dialogs.clear();
          for (auto window : desktop.FindWindows(program.pid()))
            if (window != program.mainWindow() && desktop.WindowGeometry(window)->width > 100) dialogs.push_back(window);
          return !dialogs.empty();
        },
        60s))
        << (inPage ? "from the page" : "from the address box");
    EXPECT_EQ(desktop.WindowName(dialogs.front()), "打印") << (inPage ? "from the page" : "from the address box");
    if (inPage) KeepScreenshot("print-dialog");
    desktop.Key("Escape");
    EXPECT_TRUE(WaitUntil([&] { return desktop.FindWindows(program.pid()).size() == 1; }, 60s));
  }
}

}  // namespace
