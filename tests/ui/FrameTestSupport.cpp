#include "FrameTestSupport.h"

namespace {

std::string Page(const std::string& title, const std::string& body) {
  return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

}  // namespace

FrameFixture::FrameFixture() {
  WriteFileOrDie(dir / "a.htm", Page("Page A", "a"));
  WriteFileOrDie(dir / "b.htm", Page("Page B", "b"));
  WriteFileOrDie(dir / "popup.htm", Page("Popups", "<a id=\"l\" href=\"b.htm\" target=\"_blank\">b</a>"));
  WriteFileOrDie(dir / "varnok.ini", "[homeurl]\r\nurl1=" + FileUrl("a.htm") + "\r\n");
  state = std::make_unique<AppState>(dir / "varnok");
  frame = std::make_unique<CMainFrame>(*state);
  frame->resize(1000, 700);
  frame->openNewPageWindow();
  frame->show();
}

bool FrameFixture::WaitLoaded(CvarnokView* view, const std::string& address) {
  // Loaded, and the window shows it: the caption follows the page a moment later.
  return QTest::qWaitFor(
      [&] {
        return view && !view->isLoading() && view->locationUrl() == address && view->parentWidget() &&
               view->parentWidget()->windowTitle() == view->title();
      },
      20000);
}

bool FrameFixture::WaitForPageWindows(int count) const {
  return QTest::qWaitFor([&] { return PageWindowCount() == count; }, 20000);
}
