#include "DesktopTest.h"

using namespace std::chrono_literals;

namespace {

using LeaveWarningsTest = DesktopTest;

// A page with unsaved work warns before it is left; the person decides.
TEST_F(LeaveWarningsTest, APageThatWarnsIsKeptOrLeftAsThePersonChooses) {
  site.Page("/editor", "<html><body><textarea style='margin:20px;width:400px;height:200px'></textarea><script>"
                       "addEventListener('beforeunload', e => { e.preventDefault(); e.returnValue = ''; });"
                       "</script></body></html>");
  Start(site.Url("/editor"));
  // A page may warn only once the person has done something in it. A click that
  // comes before the page can take it is made again, as a person would.
  const ScreenRect page = program.Widgets().PageView(0)->rect;
  ASSERT_TRUE(WaitUntil([&] {
    desktop.Click({page.x + 100, page.y + 100});
    return WaitForFocusedField(0, 5s);
  }, 60s));
  desktop.Type("draft");

  desktop.Key("ctrl+w");
  ASSERT_NE(WaitForProgramWindow("^离开此页"), 0u) << program.Output();
  KeepScreenshot("leave-warning");
  desktop.Key("Return");  // stay, the default
  ASSERT_TRUE(WaitUntil([&] { return desktop.FindWindows(program.pid(), "^离开此页").empty(); }, 60s));
  desktop.Key("ctrl+n");
  ASSERT_TRUE(WaitForPageCount(2));
  EXPECT_TRUE(WaitForPage(0, site.Url("/editor")));

  // Closing the program asks the same, and goes once the page may be left.
  ASSERT_TRUE(program.Activate());
  desktop.Key("alt+F4");
  ASSERT_NE(WaitForProgramWindow("^离开此页"), 0u) << program.Output();
  desktop.Key("alt+l");
  EXPECT_EQ(program.WaitForExit(60s), 0) << program.Output();
}

}  // namespace
