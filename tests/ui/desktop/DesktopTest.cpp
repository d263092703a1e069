#include "DesktopTest.h"

#include <cstdlib>
#include <filesystem>

#include "support/ChildProcess.h"

using namespace std::chrono_literals;

void DesktopTest::Start(const std::string& home, const std::vector<std::string>& favorites,
                        const std::vector<std::string>& history) {
  program.WriteIni(home, favorites, history);
  ASSERT_TRUE(program.Start()) << "the main window never showed:\n" << program.Output();
  ASSERT_TRUE(program.Activate());
  ASSERT_TRUE(WaitForPageIdle(0)) << program.Output();
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
  if (!dir || !*dir) return;
  std::filesystem::create_directories(dir);
  desktop.SaveScreenshot(std::string(dir) + "/" + name + ".png");
}

std::string DesktopTest::CloseAndReadIni() {
  const auto status = program.Close();
  EXPECT_EQ(status, 0) << program.Output();
  return program.Ini();
}
