// The hidden side bar's pages come from the embedded server only once the bar is shown,
// and a system-message notice reaches the message page whenever it is in sight: one
// that came while the bar was hidden shows when it is shown, one that comes while it is
// shown refreshes it. The window system, its main window, the state that writes
// sysmsg.htm and posts the notice, and the page views are the program's own; a listener
// on the state's port serves the files as written.
#include <gtest/gtest.h>

#include <QTest>
#include <QToolBar>
#include <QWebEnginePage>
#include <memory>
#include <optional>

#include "WindowedProgram.h"
#include "support/ScopedEnvironment.h"
#include "app/AppState.h"
#include "app/GbkText.h"
#include "ui/CExplorer2.h"
#include "ui/CSystemDialogBar.h"
#include "ui/QtWindowSystem.h"

namespace {

class SidePagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFileOrDie(dir / "a.htm", "<html><body>a</body></html>");
    WriteFileOrDie(dir / "varnok.ini", "[homeurl]\r\nurl1=file://" + dir / "a.htm" + "\r\n");
    state = std::make_unique<AppState>(dir / "varnok");
    state->SetPort(std::to_string(server.port()));
    windows = std::make_unique<QtWindowSystem>(state.get());
    WindowSystem::SetCurrent(windows.get());
    ASSERT_TRUE(windows->CreateMainWindow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame()->started(); }, 20000));
  }
  void TearDown() override { WindowSystem::SetCurrent(nullptr); }

  CMainFrame* frame() const { return windows->mainFrame(); }

  // A system message as the program adds one: the state rewrites sysmsg.htm and posts
  // the notice to the main window. Returns once the window has taken it.
  void Notice(const std::string& text) {
    state->AddSystemMessage(gbk::kSystemSender, text);
    bool delivered = false;
    QMetaObject::invokeMethod(windows.get(), [&] { delivered = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered; }, 20000));
  }

  int MessagePageRequests() {
    const std::string requests = server.Requests();
    int count = 0;
    for (size_t at = requests.find("GET /sysmsg.htm "); at != std::string::npos;
         at = requests.find("GET /sysmsg.htm ", at + 1))
      ++count;
    return count;
  }

  // The text of the message page once it has finished loading one that holds `text`.
  bool MessagePageShows(const std::string& text) {
    CExplorer2* page = frame()->systemBar()->messagePage();
    return QTest::qWaitFor(
        [&] {
          if (!page->readyStateComplete()) return false;
          // Shared with the callback, which may still come after a timed-out wait.
          auto shown = std::make_shared<std::optional<QString>>();
          page->page()->toPlainText([shown](const QString& result) { *shown = result; });
          return QTest::qWaitFor([&] { return shown->has_value(); }, 5000) &&
                 (*shown)->contains(QString::fromStdString(text));
        },
        20000);
  }

  void SetSideBarShown(bool shown) {
    frame()->systemBarHost()->setVisible(shown);
    QTest::qWait(50);
  }

  TempDir dir, home;
  // The window's profile and its list of open pages live in the account's data directory.
  ScopedEnvironment homeVariable{"HOME", home.path()}, dataHome{"XDG_DATA_HOME", std::nullopt},
      cacheHome{"XDG_CACHE_HOME", std::nullopt};
  std::unique_ptr<AppState> state;
  PageListener server{[this](const std::string& path) {
    if (path == "/sysmsg.htm") return PageListener::HtmlAnswer(ReadFileOrEmpty(dir / "sysmsg.htm"));
    return PageListener::HtmlAnswer("<html><body>advertisement</body></html>");
  }};
  std::unique_ptr<QtWindowSystem> windows;
};

TEST_F(SidePagesTest, HiddenBarRequestsNothingAndShowsTheMessagesOfItsTimeAway) {
  Notice("first while hidden");
  EXPECT_FALSE(frame()->systemBar()->pagesRequested());
  EXPECT_EQ(server.Requests(), "") << "the hidden side pages asked the server for something";

  SetSideBarShown(true);
  EXPECT_TRUE(MessagePageShows("first while hidden"));
  EXPECT_TRUE(server.Requested("/guanggao.htm"));
  EXPECT_EQ(frame()->systemBar()->messagePage()->page()->requestedUrl().toString(),
            QString("http://localhost:%1/sysmsg.htm").arg(server.port()));

  // Hidden again: notices wait for the next showing instead of reloading out of sight;
  // the showing then asks once, for the newest.
  SetSideBarShown(false);
  const int requestsBefore = MessagePageRequests();
  Notice("second while hidden");
  Notice("third while hidden");
  SetSideBarShown(true);
  EXPECT_TRUE(MessagePageShows("third while hidden"));
  EXPECT_EQ(MessagePageRequests(), requestsBefore + 1);
}

TEST_F(SidePagesTest, ANoticeWhileShownRefreshesThePageAndShowingAgainDoesNot) {
  SetSideBarShown(true);
  ASSERT_TRUE(MessagePageShows(""));  // loaded, whatever it holds
  Notice("while shown");
  EXPECT_TRUE(MessagePageShows("while shown"));
  // Shown again without news: the next notice is the next request.
  const int requestsBefore = MessagePageRequests();
  SetSideBarShown(false);
  SetSideBarShown(true);
  Notice("news");
  EXPECT_TRUE(MessagePageShows("news"));
  EXPECT_EQ(MessagePageRequests(), requestsBefore + 1);
}

}  // namespace
