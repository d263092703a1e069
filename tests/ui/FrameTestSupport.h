#pragma once
#include <QTest>
#include <memory>
#include <string>

#include "app/AppState.h"
#include "support/TempDir.h"
#include "ui/CChildFrame.h"
#include "ui/CMainFrame.h"
#include "ui/CvarnokView.h"

// A main frame on its own state in a temporary program directory, with a few local
// pages; started the way the program starts it (first empty page window, then the
// first navigation to the home page a.htm).
class FrameFixture {
 public:
  FrameFixture();

  std::string FileUrl(const std::string& name) const { return "file://" + dir.path() + name; }
  // Waits until `view` finished loading `address` and its page window shows its title.
  static bool WaitLoaded(CvarnokView* view, const std::string& address);
  bool WaitForPageWindows(int count) const;
  int PageWindowCount() const { return static_cast<int>(frame->pageWindows().size()); }

  TempDir dir;
  std::unique_ptr<AppState> state;
  std::unique_ptr<CMainFrame> frame;
};
