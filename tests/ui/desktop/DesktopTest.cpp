#include "DesktopTest.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "support/ChildProcess.h"

using namespace std::chrono_literals;

void DesktopTest::Start(const std::string& home, const std::vector<std::string>& favorites,
                        const std::vector<std::string>& history) {
  program.WriteIni(home, favorites, history);
  // Thrown, so the test ends here rather than waiting out every later step.
  if (!program.Start()) {
    const auto status = program.WaitForExit(0ms);
    throw std::runtime_error("the main window never showed (" +
                             (status ? "the program ended with status " + std::to_string(*status)
                                     : std::string("the program still runs")) +
                             "):\n" + program.Output());
  }
  if (!program.Activate()) throw std::runtime_error("the main window cannot be activated");
  if (!WaitForPageIdle(0)) throw std::runtime_error("the home page never loaded:\n" + program.Output());
}

bool DesktopTest::WaitForPageIdle(int index, std::chrono::milliseconds timeout) const {
  return program.WaitForWidgets(
      [&](const WidgetMap& map) {
        const auto page = map.Page(index);
        return page && !page->Has("loading") && !page->Value("url").empty();
      },
      timeout);
}

bool DesktopTest::WaitForPage(int index, const std::string& url, std::chrono::milliseconds timeout) const {
  return program.WaitForWidgets([&](const WidgetMap& map) { return map.PageShows(index, url); }, timeout);
}

bool DesktopTest::WaitForPageCount(int count, std::chrono::milliseconds timeout) const {
  return program.WaitForWidgets([&](const WidgetMap& map) { return map.PageCount() == count; }, timeout);
}

bool DesktopTest::WaitForPageAddressContaining(int index, const std::string& part) const {
  return program.WaitForWidgets([&](const WidgetMap& map) {
    const auto page = map.Page(index);
    return page && !page->Has("loading") && page->Value("url").find(part) != std::string::npos;
  });
}

bool DesktopTest::WaitForFocusedField(int index, std::chrono::milliseconds timeout) const {
  const auto isRing = [](const Rgb& c) { return c.red > 180 && c.green > 90 && c.green < 190 && c.blue < 80; };
  return WaitUntil(
      [&] {
        const auto view = program.Widgets().PageView(index);
        const auto screen = desktop.Screenshot();
        return view && screen && screen->Count(view->rect, isRing) > 20;
      },
      timeout);
}

std::vector<ScreenRect> DesktopTest::PageLinks(int index) const {
  const auto view = program.Widgets().PageView(index);
  const auto screen = desktop.Screenshot();
  if (!view || !screen) return {};
  return screen->FindGroups(view->rect, [](const Rgb& c) { return IsLinkBlue(c) || IsVisitedLinkPurple(c); });
}

std::vector<ScreenRect> DesktopTest::FirstLineOfLinks(int index) const {
  std::vector<ScreenRect> line;
  for (const ScreenRect& link : PageLinks(index))
    if (line.empty() || (link.y < line.front().bottom() && line.front().y < link.bottom())) line.push_back(link);
  return line;
}

void DesktopTest::ClickIntoPage(int index) const {
  const auto view = program.Widgets().PageView(index);
  if (view) desktop.Click({view->rect.x + 40, view->rect.bottom() - 20});
}

void DesktopTest::TearDown() {
  if (!HasFailure()) return;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  KeepScreenshot(std::string("failed-") + test->test_suite_name() + "." + test->name());
}

VirtualDesktop::WindowId DesktopTest::WaitForProgramWindow(const std::string& nameRegex,
                                                          std::chrono::milliseconds timeout) const {
  VirtualDesktop::WindowId found = 0;
  WaitUntil(
      [&] {
        const auto windows = desktop.FindWindows(program.pid(), nameRegex);
        if (!windows.empty()) found = windows.front();
        return found != 0;
      },
      timeout);
  return found;
}

void DesktopTest::KeepScreenshot(const std::string& name) const {
  const char* dir = std::getenv("VARNOK_TEST_SCREENSHOTS");
  if (!dir || !*dir) dir = VARNOK_SCREENSHOTS_DIR;
  std::filesystem::create_directories(dir);
  desktop.SaveScreenshot(std::string(dir) + "/" + name + ".png");
}

std::string DesktopTest::CloseAndReadIni() {
  const auto status = program.Close();
  EXPECT_EQ(status, 0) << program.Output() << (status ? "" : "\nstill running:\n" + program.StackTraces());
  return program.Ini();
}
