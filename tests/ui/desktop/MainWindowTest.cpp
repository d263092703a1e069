#include "DesktopTest.h"

namespace {

using namespace std::chrono_literals;

class MainWindowTest : public DesktopTest {};

TEST_F(MainWindowTest, StartsMaximizedInOneWindowThatIsNeverReplaced) {
  ManagedWindowLog windows(desktop);
  Start(site.Url("/home"));
  ASSERT_TRUE(site.WaitForRequests("/home"));
  // The first page has rendered: the moment a window made for raster drawing would be
  // traded for one that can show the page.
  ASSERT_TRUE(program.WaitForWidgets([](const WidgetMap& map) { return map.Find("main")->Has("maximized"); }))
      << program.Output();
  EXPECT_TRUE(desktop.IsMaximized(program.mainWindow()));
  const auto geometry = desktop.WindowGeometry(program.mainWindow());
  ASSERT_TRUE(geometry);
  // Maximized under the window manager: the width of the screen, the height less its title bar.
  EXPECT_EQ(geometry->width, desktop.screen().width);
  EXPECT_GT(geometry->height, desktop.screen().height - 60);
  // Only the main window was ever handed to the window manager.
  EXPECT_EQ(windows.Seen(), std::vector<VirtualDesktop::WindowId>{program.mainWindow()});
  EXPECT_EQ(desktop.FindWindows(program.pid(), "^varnok"), std::vector<VirtualDesktop::WindowId>{program.mainWindow()});
}

}  // namespace
