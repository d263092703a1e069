#include <gtest/gtest.h>
#include <algorithm>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QWebEngineHistory>
#include <QWebEnginePage>

#include "FrameTestSupport.h"
#include "app/WindowSystem.h"
#include "platform/FileUtil.h"
#include "support/RawHttp.h"
#include "ui/CBrowserDialogbar.h"
#include "ui/CBusyStatic.h"
#include "ui/CButtonDialogBar.h"
#include "ui/CExplorer2.h"
#include "ui/CPathDialogBar.h"
#include "ui/CSystemDialogBar.h"
#include "ui/CClientWnd.h"
#include "ui/ControlIds.h"
#include "ui/GbkBoundary.h"
#include "ui/WindowPlacement.h"

namespace {

class FrameTest : public ::testing::Test, public FrameFixture {
 protected:
  void SetUp() override { ASSERT_TRUE(WaitLoaded(frame->activeView(), FileUrl("a.htm"))); }

  QComboBox* Box() const { return frame->addressBar()->addressBox(); }
  void TypeAndPress(const QString& text, int key = Qt::Key_Return) {
    Box()->lineEdit()->setText(text);
    QTest::keyClick(Box()->lineEdit(), static_cast<Qt::Key>(key));
  }
  std::vector<std::string> History() const { return state->History(); }
};

TEST_F(FrameTest, StartUpOpensTheHomePageInTheFirstWindowAndRecordsIt) {
  EXPECT_TRUE(frame->started());
  EXPECT_EQ(PageWindowCount(), 1);
  ASSERT_EQ(Box()->count(), 1);
  EXPECT_EQ(frame->addressBar()->addressAt(0), FileUrl("a.htm"));
  EXPECT_EQ(Box()->currentIndex(), 0);
  EXPECT_EQ(History().front(), FileUrl("a.htm"));
  EXPECT_EQ(state->CurrentUrl(), FileUrl("a.htm"));
  EXPECT_EQ(frame->windowTitle(), gbk_boundary::FromGbk(MainTitle()));
  EXPECT_EQ(frame->pageWindows().front()->windowTitle(), "Page A");
  EXPECT_EQ(frame->menuWidget(), nullptr);
}

// The program asks for the first page before its window is shown, so that the engine
// fetches it while the window is mapped; one on our own server, not yet listening at that
// moment, waits for the loop.
TEST(FirstPageTest, IsRequestedBeforeTheFrameIsShownUnlessItIsOnOurOwnServer) {
  for (const bool onOwnServer : {false, true}) {
    TempDir dir;
    const std::string first =
        onOwnServer ? "http://LOCALHOST:10101/scj.htm" : "file://" + dir.path() + "first.htm";
    WriteFileOrDie(dir / "first.htm", "<html><body>first</body></html>");
    WriteFileOrDie(dir / "varnok.ini", "[homeurl]\r\nurl1=" + first + "\r\n");
    setenv("VARNOK_PORT", "10101", 1);
    AppState state(dir / "varnok");
    CMainFrame frame(state);
    frame.openNewPageWindow();
    frame.requestFirstPageEarly();
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(frame.firstPageRequested(), !onOwnServer) << first;
    EXPECT_EQ(frame.addressBar()->addressBox()->count(), onOwnServer ? 0 : 1) << first;

    // Either way the loop's start-up asks exactly once.
    frame.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.started(); }, 5000));
    EXPECT_TRUE(frame.firstPageRequested());
    EXPECT_EQ(frame.addressBar()->addressBox()->count(), 1) << first;
    const std::vector<std::string> history = state.History();
    EXPECT_EQ(std::count(history.begin(), history.end(), state.CurrentUrl()), 1) << first;
    unsetenv("VARNOK_PORT");
  }
}

TEST_F(FrameTest, EnterNavigatesTheCurrentPageAndInsertsOnlyNewAddresses) {
  CvarnokView* view = frame->activeView();
  TypeAndPress(QString::fromStdString("  " + FileUrl("b.htm") + " "));
  ASSERT_TRUE(WaitLoaded(view, FileUrl("b.htm")));
  ASSERT_EQ(Box()->count(), 2);
  EXPECT_EQ(frame->addressBar()->addressAt(0), FileUrl("b.htm"));
  EXPECT_EQ(Box()->currentIndex(), 0);
  EXPECT_EQ(History().front(), FileUrl("b.htm"));

  // An address already in the box: navigated, nothing inserted; the box then shows
  // the page's address, its own entry.
  const auto historyBefore = History();
  TypeAndPress(QString::fromStdString(FileUrl("a.htm")), Qt::Key_Enter);
  ASSERT_TRUE(WaitLoaded(view, FileUrl("a.htm")));
  EXPECT_EQ(Box()->count(), 2);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Box()->currentIndex() == 1; }, 5000));
  EXPECT_EQ(History(), historyBefore);

  // Blanks only: nothing happens, and the key still belongs to the box. The next page
  // the window shows is the one typed after them.
  const int visited = view->history()->count();
  TypeAndPress(" \t ");
  TypeAndPress(QString::fromStdString(FileUrl("b.htm")));
  ASSERT_TRUE(WaitLoaded(view, FileUrl("b.htm")));
  EXPECT_EQ(view->history()->count(), visited + 1);
  EXPECT_EQ(PageWindowCount(), 1);
  EXPECT_EQ(History(), historyBefore);
}

TEST_F(FrameTest, TheBusyIndicatorRunsWhileTheCurrentPageLoads) {
  CBusyStatic* busy = frame->busyIndicator();
  ASSERT_NE(busy, nullptr);
  // A listener that never answers keeps the page loading.
  int port = 0;
  const int silent = ListenOnLoopback(&port);
  ASSERT_GE(silent, 0);
  frame->navigate("http://127.0.0.1:" + std::to_string(port) + "/slow", true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return busy->isAnimating() && busy->isVisible(); }, 10000));
  // Switching to an idle page stops it at its next step.
  frame->openNewPageWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !busy->isAnimating() && !busy->isVisible(); }, 10000));
  // Back to the loading page: it runs again.
  frame->clientArea()->setActiveSubWindow(frame->pageWindows().front());
  EXPECT_TRUE(QTest::qWaitFor([&] { return busy->isAnimating(); }, 10000));
  frame.reset();
  close(silent);
}

TEST_F(FrameTest, CopyAndPasteKeysWorkOnTheAddressBoxText) {
  QLineEdit* edit = Box()->lineEdit();
  edit->setText("http://copied.example/");
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "http://copied.example/");
  edit->clear();
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit->text(), "http://copied.example/");
}

TEST_F(FrameTest, GoOpensANewWindowAndNavigatesItOnlyWhenTheBoxHoldsAnAddress) {
  const auto historyBefore = History();
  Box()->lineEdit()->setText("    ");
  frame->handleCommand(ids::IDC_BUTTON_GO);
  ASSERT_TRUE(WaitForPageWindows(2));
  const CChildFrame* blank = frame->pageWindows().back();

  Box()->lineEdit()->setText(QString::fromStdString(FileUrl("b.htm")));
  frame->handleCommand(ids::IDC_BUTTON_GO);
  ASSERT_TRUE(WaitForPageWindows(3));
  EXPECT_TRUE(WaitLoaded(frame->activeView(), FileUrl("b.htm")));
  EXPECT_EQ(frame->addressBar()->addressAt(0), FileUrl("b.htm"));
  // Asked earlier, the window opened for blanks would be showing a page by now.
  EXPECT_TRUE(blank->view()->locationUrl().empty());
  EXPECT_TRUE(blank->view()->url().isEmpty());
  std::vector<std::string> expected{FileUrl("b.htm")};
  expected.insert(expected.end(), historyBefore.begin(), historyBefore.end());
  EXPECT_EQ(History(), expected);
  EXPECT_EQ(Box()->count(), 2);
}

TEST_F(FrameTest, ChoosingFromTheListNavigatesWithoutInsertingAndRecordsHistory) {
  // show-address shows an address, selecting its entry, inserting none, and never
  // navigates.
  QSignalSpy loads(frame->activeView(), &QWebEngineView::loadStarted);
  frame->showAddress(FileUrl("b.htm"));
  EXPECT_EQ(Box()->count(), 1);
  EXPECT_EQ(Box()->currentText().toStdString(), FileUrl("b.htm"));
  frame->addressBar()->insertAddressAtTop(FileUrl("b.htm"));
  frame->showAddress(FileUrl("a.htm"));
  EXPECT_EQ(Box()->count(), 2);
  EXPECT_EQ(Box()->currentIndex(), 1);

  emit Box()->activated(0);
  ASSERT_TRUE(WaitLoaded(frame->activeView(), FileUrl("b.htm")));
  EXPECT_EQ(loads.count(), 1) << "the addresses shown started loads of their own";
  EXPECT_EQ(Box()->count(), 2);
  EXPECT_EQ(PageWindowCount(), 1);
  EXPECT_EQ(History().front(), FileUrl("b.htm"));
}

TEST_F(FrameTest, HomeAndPortalNavigationUseTheCurrentWindow) {
  state->SetHomeUrl("  " + FileUrl("b.htm") + "\t");
  frame->handleCommand(ids::IDC_BUTTON_HOME);
  ASSERT_TRUE(WaitLoaded(frame->activeView(), FileUrl("b.htm")));
  EXPECT_EQ(frame->addressBar()->addressAt(0), FileUrl("b.htm"));

  frame->handleCommand(ids::IDC_BUTTON_NAVIGATION);
  const std::string portal = state->PortalNavigationUrl();
  EXPECT_EQ(History().front(), portal);
  EXPECT_EQ(frame->addressBar()->addressAt(0), portal);
  // The GBK query travels as escaped GBK bytes.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return frame->activeView()->page()->requestedUrl().toEncoded().contains("type=%CD%F8%D6%B7%B5%BC%BA%BD"); },
      10000));
  EXPECT_EQ(PageWindowCount(), 1);

  state->SetHomeUrl(" ");
  const size_t entries = Box()->count();
  frame->handleCommand(ids::IDC_BUTTON_HOME);
  EXPECT_EQ(static_cast<size_t>(Box()->count()), entries);
}

TEST_F(FrameTest, GeneratedPagesOpenInNewWindowsWithoutTouchingTheBoxOrHistory) {
  const auto historyBefore = History();
  std::remove((dir / "scj.htm").c_str());
  frame->handleCommand(ids::IDC_BUTTON_FAVORITES);
  EXPECT_NE(ReadFileOrEmpty(dir / "scj.htm").find("</BODY></HTML>"), std::string::npos);
  ASSERT_TRUE(WaitForPageWindows(2));
  EXPECT_TRUE(WaitLoaded(frame->activeView(), FileUrl("scj.htm")));

  frame->handleCommand(ids::IDC_BUTTON_OTHER);
  ASSERT_TRUE(WaitForPageWindows(3));
  EXPECT_TRUE(WaitLoaded(frame->activeView(), FileUrl("menu.htm")));
  EXPECT_EQ(frame->pageWindows().back()->windowTitle(), gbk_boundary::FromGbk("\xc6\xe4\xcb\xfb\xb9\xa6\xc4\xdc"));

  EXPECT_EQ(Box()->count(), 1);
  EXPECT_EQ(History(), historyBefore);
  EXPECT_EQ(state->CurrentUrl(), FileUrl("a.htm"));
}

TEST_F(FrameTest, AddFavoriteStoresThePageAddressOnce) {
  const size_t before = state->Favorites().size();
  frame->handleCommand(ids::IDC_BUTTON_ADD_FAVORITE);
  ASSERT_EQ(state->Favorites().size(), before + 1);
  EXPECT_EQ(state->Favorites().front(), FileUrl("a.htm"));
  EXPECT_NE(ReadFileOrEmpty(dir / "scj.htm").find(FileUrl("a.htm")), std::string::npos);
  frame->handleCommand(ids::IDC_BUTTON_ADD_FAVORITE);
  EXPECT_EQ(state->Favorites().size(), before + 1);
}

TEST_F(FrameTest, NewWindowLinksAndScriptsOpenNewPageWindows) {
  frame->navigate(FileUrl("popup.htm"), true);
  ASSERT_TRUE(WaitLoaded(frame->activeView(), FileUrl("popup.htm")));
  const auto historyBefore = History();
  const int entries = Box()->count();

  frame->activeView()->page()->runJavaScript("document.getElementById('l').click()");
  ASSERT_TRUE(WaitForPageWindows(2));
  EXPECT_TRUE(WaitLoaded(frame->pageWindows().back()->view(), FileUrl("b.htm")));

  frame->pageWindows().front()->view()->page()->runJavaScript("window.open('a.htm')");
  ASSERT_TRUE(WaitForPageWindows(3));
  EXPECT_TRUE(WaitLoaded(frame->pageWindows().back()->view(), FileUrl("a.htm")));

  EXPECT_EQ(Box()->count(), entries);
  EXPECT_EQ(History(), historyBefore);
}

TEST_F(FrameTest, AMaximizedPageWindowKeepsNewOnesMaximizedUntilTiled) {
  const int areaWidth = frame->clientArea()->viewport()->width();
  frame->openNewPageWindow();
  // New windows re-tile all: full-width rows.
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame->pageWindows().back()->width() == areaWidth; }, 5000));
  EXPECT_EQ(frame->pageWindows().front()->width(), areaWidth);
  EXPECT_FALSE(state->MaximizedPages());

  frame->pageWindows().back()->showMaximized();
  EXPECT_TRUE(state->MaximizedPages());
  frame->openNewPageWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return frame->pageWindows().back()->isMaximized(); }, 5000));
  EXPECT_TRUE(state->MaximizedPages());
  // Restoring does not clear the flag; only the tile button does.
  frame->pageWindows().back()->showNormal();
  EXPECT_TRUE(state->MaximizedPages());

  frame->handleCommand(ids::IDC_BUTTON_TILE);
  EXPECT_FALSE(state->MaximizedPages());
  for (CChildFrame* window : frame->pageWindows()) {
    EXPECT_FALSE(window->isMaximized());
    EXPECT_EQ(window->width(), areaWidth);
  }
  // The fourth window is tiled again, into a two-by-two grid.
  frame->openNewPageWindow();
  const QRect lastCell = TileHorizontally(4, frame->clientArea()->viewport()->rect()).back();
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame->pageWindows().back()->geometry() == lastCell; }, 5000));
  EXPECT_FALSE(frame->pageWindows().back()->isMaximized());
}

TEST_F(FrameTest, CaptionsFollowThePageWhileTheMainWindowKeepsTheMainTitle) {
  const QString mainTitle = gbk_boundary::FromGbk(MainTitle());
  frame->pageWindows().front()->showMaximized();
  frame->navigate(FileUrl("b.htm"), true);
  ASSERT_TRUE(WaitLoaded(frame->activeView(), FileUrl("b.htm")));
  EXPECT_EQ(frame->pageWindows().front()->windowTitle(), "Page B");
  EXPECT_EQ(frame->windowTitle(), mainTitle);

  frame->handleCommand(ids::IDC_BUTTON_CLOSE_PAGE);
  ASSERT_TRUE(WaitForPageWindows(0));
  EXPECT_EQ(frame->windowTitle(), mainTitle);
  EXPECT_EQ(frame->activeView(), nullptr);
  // Page commands without a page have no taker; navigation opens a window again.
  frame->handleCommand(ids::IDC_BUTTON_BACK);
  frame->navigate(FileUrl("a.htm"), true);
  ASSERT_TRUE(WaitForPageWindows(1));
  EXPECT_TRUE(WaitLoaded(frame->activeView(), FileUrl("a.htm")));
  EXPECT_EQ(frame->windowTitle(), mainTitle);
}

TEST_F(FrameTest, ActivatingAPageWindowShowsItsAddress) {
  Box()->lineEdit()->setText(QString::fromStdString(FileUrl("b.htm")));
  frame->handleCommand(ids::IDC_BUTTON_GO);
  ASSERT_TRUE(WaitForPageWindows(2));
  ASSERT_TRUE(WaitLoaded(frame->activeView(), FileUrl("b.htm")));
  EXPECT_EQ(Box()->currentIndex(), 0);

  frame->clientArea()->setActiveSubWindow(frame->pageWindows().front());
  EXPECT_EQ(frame->addressBar()->addressAt(Box()->currentIndex()), FileUrl("a.htm"));
  // A page address not in the box is shown without being inserted.
  frame->pageWindows().back()->view()->load(QUrl::fromLocalFile(QString::fromStdString(dir / "popup.htm")));
  ASSERT_TRUE(WaitLoaded(frame->pageWindows().back()->view(), FileUrl("popup.htm")));
  frame->clientArea()->setActiveSubWindow(frame->pageWindows().back());
  EXPECT_EQ(Box()->currentText().toStdString(), FileUrl("popup.htm"));
  EXPECT_EQ(Box()->count(), 2);
}

TEST_F(FrameTest, ThePageAreaShowsTheStretchedPictureAtEverySize) {
  for (CChildFrame* window : frame->pageWindows()) window->close();
  ASSERT_TRUE(WaitForPageWindows(0));
  const QImage picture = CClientWnd::BackgroundPicture().toImage();
  ASSERT_FALSE(picture.isNull());
  for (QSize size : {QSize(1000, 700), QSize(1200, 900)}) {
    frame->resize(size);
    QTest::qWait(100);
    QWidget* area = frame->clientArea()->viewport();
    const QImage shown = area->grab().toImage();
    const QImage expected = picture.scaled(area->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (QPoint at : {QPoint(2, 2), QPoint(area->width() / 2, area->height() / 2), QPoint(area->width() - 3, area->height() - 3)}) {
      const QColor a = shown.pixelColor(at), b = expected.pixelColor(at);
      EXPECT_LE(std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()), 30)
          << size.width() << " at " << at.x() << "," << at.y();
    }
  }
}

TEST_F(FrameTest, HiddenBarsStayHiddenAndTheirBrowserButtonTogglesTheAddressBar) {
  frame->resize(1000, 700);
  QTest::qWait(50);
  ASSERT_TRUE(frame->pathBar() && frame->buttonBar() && frame->systemBar());
  for (QWidget* bar : {static_cast<QWidget*>(frame->pathBar()), static_cast<QWidget*>(frame->buttonBar()),
                       static_cast<QWidget*>(frame->systemBar())})
    EXPECT_FALSE(bar->isVisible());
  EXPECT_TRUE(frame->addressBarHost()->isVisible());
  // The busy indicator is what a look-up of 1047 in the address bar finds.
  EXPECT_EQ(FindControl(frame->addressBar(), ids::IDC_STATIC_BUSY), frame->busyIndicator());

  auto* browser = qobject_cast<QPushButton*>(FindControl(frame->buttonBar(), ids::IDC_BUTTON_BROWSER));
  ASSERT_NE(browser, nullptr);
  browser->click();
  EXPECT_FALSE(frame->addressBarHost()->isVisible());
  browser->click();
  EXPECT_TRUE(frame->addressBarHost()->isVisible());
  EXPECT_FALSE(frame->systemBar()->isVisible());
  EXPECT_EQ(frame->systemMessagePage(), static_cast<QWebEngineView*>(frame->systemBar()->messagePage()));
}

}  // namespace
