// The hidden side bar's pages come from the embedded server only once the bar is shown,
// and a system-message notice reaches the message page whenever it is in sight: one
// that came while the bar was hidden shows when it is shown, one that comes while it is
// shown refreshes it. The frame, the state that writes sysmsg.htm and the page views
// are the real ones; a listener on the state's port serves the files as written.
#include <gtest/gtest.h>

#include <QTest>
#include <QToolBar>
#include <QWebEnginePage>
#include <memory>
#include <optional>

#include "FrameTestSupport.h"
#include "WindowedProgram.h"
#include "app/GbkText.h"
#include "ui/CExplorer2.h"
#include "ui/CSystemDialogBar.h"

namespace {

class SidePagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture.state->SetPort(std::to_string(server.port()));
    ASSERT_TRUE(FrameFixture::WaitLoaded(fixture.frame->activeView(), fixture.FileUrl("a.htm")));
    ASSERT_TRUE(fixture.frame->started());
  }

  // What a system message does: sysmsg.htm is rewritten and the frame is told, as the
  // queued notice from the state does in the program.
  void Notice(const std::string& text) {
    fixture.state->AddSystemMessage(gbk::kSystemSender, text);
    fixture.frame->onSystemMessagesChanged();
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
    CExplorer2* page = fixture.frame->systemBar()->messagePage();
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
    fixture.frame->systemBarHost()->setVisible(shown);
    QTest::qWait(50);
  }

  FrameFixture fixture;
  PageListener server{[this](const std::string& path) {
    if (path == "/sysmsg.htm") return PageListener::HtmlAnswer(ReadFileOrEmpty(fixture.dir / "sysmsg.htm"));
    return PageListener::HtmlAnswer("<html><body>advertisement</body></html>");
  }};
};

TEST_F(SidePagesTest, HiddenBarRequestsNothingAndShowsTheMessagesOfItsTimeAway) {
  Notice("first while hidden");
  QTest::qWait(500);
  EXPECT_FALSE(fixture.frame->systemBar()->pagesRequested());
  EXPECT_EQ(server.Requests(), "") << "the hidden side pages asked the server for something";

  SetSideBarShown(true);
  EXPECT_TRUE(MessagePageShows("first while hidden"));
  EXPECT_TRUE(server.Requested("/guanggao.htm"));
  EXPECT_EQ(fixture.frame->systemBar()->messagePage()->page()->requestedUrl().toString(),
            QString("http://localhost:%1/sysmsg.htm").arg(server.port()));

  // Hidden again: notices wait for the next showing instead of reloading out of sight.
  SetSideBarShown(false);
  const int requestsBefore = MessagePageRequests();
  Notice("second while hidden");
  Notice("third while hidden");
  QTest::qWait(500);
  EXPECT_EQ(MessagePageRequests(), requestsBefore);
  SetSideBarShown(true);
  EXPECT_TRUE(MessagePageShows("third while hidden"));
  EXPECT_EQ(MessagePageRequests(), requestsBefore + 1);
}

TEST_F(SidePagesTest, ANoticeWhileShownRefreshesThePage) {
  SetSideBarShown(true);
  ASSERT_TRUE(MessagePageShows(""));  // loaded, whatever it holds
  Notice("while shown");
  EXPECT_TRUE(MessagePageShows("while shown"));
  // Showing it again without news reloads nothing.
  const int requestsBefore = MessagePageRequests();
  SetSideBarShown(false);
  SetSideBarShown(true);
  QTest::qWait(300);
  EXPECT_EQ(MessagePageRequests(), requestsBefore);
}

}  // namespace
