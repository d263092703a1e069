#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/desktop/TestSite.h"
#include "support/desktop/VarnokOnDesktop.h"
#include "support/desktop/VirtualDesktop.h"

// One virtual desktop, one test site and the program on that desktop per test.
class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(desktop.ready()) << desktop.error(); }
  // A failed test leaves a picture of the screen as it was at the end.
  void TearDown() override;

  // Writes varnok.ini and starts the program; the test stops at once (an exception) when
  // its window never comes up. `home` is loaded into the first page window at start-up.
  void Start(const std::string& home, const std::vector<std::string>& favorites = {},
             const std::vector<std::string>& history = {});
  // Waits until the page window `index` shows a page and has stopped loading.
  bool WaitForPageIdle(int index, std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
  // Waits until the page window `index` has finished loading `url` (encoded).
  bool WaitForPage(int index, const std::string& url, std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
  bool WaitForPageCount(int count, std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
  // A window of the program whose name matches `nameRegex` (a dialog, a prompt), once it
  // is on the screen; 0 if none comes.
  VirtualDesktop::WindowId WaitForProgramWindow(const std::string& nameRegex,
                                                std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
  // The links the page in window `index` shows, as rectangles on the screen in reading
  // order (found by the engine's link colours, unvisited blue and visited purple).
  std::vector<ScreenRect> PageLinks(int index) const;
  // The links on the first line of the page that has any.
  std::vector<ScreenRect> FirstLineOfLinks(int index) const;
  // Clicks into page window `index`'s page near its bottom left, away from its content.
  void ClickIntoPage(int index) const;
  // Waits until the page window `index` has finished loading an address containing `part`.
  bool WaitForPageAddressContaining(int index, const std::string& part) const;
  // The engine rings a focused text field in colour; waits for one inside the page of
  // window `index`, so keys typed next reach the field and not the page around it.
  bool WaitForFocusedField(int index, std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
  // Keeps a screenshot for people to look at (in VARNOK_TEST_SCREENSHOTS, or the build's
  // screenshots directory).
  void KeepScreenshot(const std::string& name) const;
  // Closes the program through its window and expects a clean exit; returns varnok.ini.
  std::string CloseAndReadIni();

  VirtualDesktop desktop;
  TestSite site;
  VarnokOnDesktop program{desktop};
};
