#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>

#include <functional>
#include <map>

#include "support/RawHttp.h"
#include "support/TempDir.h"
#include "ui/CBusyStatic.h"
#include "ui/CButtonDialogBar.h"
#include "ui/CExplorer1.h"
#include "ui/CExplorer2.h"
#include "ui/CPathDialogBar.h"
#include "ui/CPathStatic.h"
#include "ui/CSystemDialogBar.h"
#include "ui/ControlIds.h"

namespace {

// Runs the event loop until `condition` holds; the limit only keeps a broken build from
// hanging the suite.
bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 30000); }

QString PlainText(QWebEngineView* view) {
  QString text;
  bool done = false;
  view->page()->toPlainText([&](const QString& result) {
    text = result;
    done = true;
  });
  WaitFor([&] { return done; });
  return text.trimmed();
}

QString FileBaseUrl(const TempDir& dir) { return QUrl::fromLocalFile(QString::fromStdString(dir.path())).toString(); }

// A one-page web server on 127.0.0.1 that answers every request with `body`.
class OnePageServer {
 public:
  explicit OnePageServer(QByteArray body) : body_(std::move(body)) {
    QObject::connect(&server_, &QTcpServer::newConnection, [this] { Serve(server_.nextPendingConnection()); });
  }
  // On a port the system picks, or on the listening socket `fd`.
  bool Listen() { return server_.listen(QHostAddress::LocalHost); }
  bool Adopt(int fd) { return fd >= 0 && server_.setSocketDescriptor(fd); }
  int port() const { return server_.serverPort(); }

 private:
  void Serve(QTcpSocket* socket) {
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
      request_ += socket->readAll();
      if (!request_.contains("\r\n\r\n")) return;
      request_.clear();
      socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body_);
      socket->disconnectFromHost();
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  }

  QTcpServer server_;
  QByteArray body_;
  QByteArray request_;
};

TEST(BarsTest, BusyIndicatorCreatedFirstWinsTheLookupOfItsId) {
  QWidget bar;
  auto* busy = new CBusyStatic(&bar);
  auto* placeholder = new QLabel(&bar);
  SetControlId(placeholder, ids::IDC_STATIC_BUSY);
  EXPECT_EQ(FindControl(&bar, ids::IDC_STATIC_BUSY), busy);
}

TEST(BarsTest, PathBarStretchesItsDisplayOverTheHost) {
  CPathDialogBar bar({"a", "b"});
  CPathStatic* display = bar.pathDisplay();
  ASSERT_EQ(FindControl(&bar, ids::IDC_STATIC_PATH), display);
  auto* back = qobject_cast<QPushButton*>(FindControl(&bar, ids::IDC_BUTTON_PATH_BACK));
  auto* forward = qobject_cast<QPushButton*>(FindControl(&bar, ids::IDC_BUTTON_PATH_FORWARD));
  ASSERT_TRUE(back && forward);
  EXPECT_EQ(back->text(), "<");
  EXPECT_EQ(forward->text(), ">");

  bar.layoutControls(QSize(708, 29));
  EXPECT_EQ(display->geometry(), QRect(0, 0, 707, 28));
  bar.layoutControls(QSize(1024, 40));
  EXPECT_EQ(display->geometry(), QRect(0, 0, 1023, 39));
}

TEST(BarsTest, OnlyTheBrowserButtonOfTheFourButtonBarSignals) {
  CButtonDialogBar bar;
  int toggles = 0;
  QObject::connect(&bar, &CButtonDialogBar::browserButtonClicked, [&toggles] { ++toggles; });

  const std::map<int, QString> captions{{ids::IDC_BUTTON_BROWSER, "浏览器"},
                                        {ids::IDC_BUTTON_REMINDER, "提醒器"},
                                        {ids::IDC_BUTTON_HELP, "帮助"},
                                        {ids::IDC_BUTTON_ABOUT, "关于"}};
  for (const auto& [id, caption] : captions) {
    auto* button = qobject_cast<QPushButton*>(FindControl(&bar, id));
    ASSERT_NE(button, nullptr) << id;
    EXPECT_EQ(button->text(), caption);
    if (id != ids::IDC_BUTTON_BROWSER) button->click();
  }
  EXPECT_EQ(toggles, 0);
  qobject_cast<QPushButton*>(FindControl(&bar, ids::IDC_BUTTON_BROWSER))->click();
  qobject_cast<QPushButton*>(FindControl(&bar, ids::IDC_BUTTON_BROWSER))->click();
  EXPECT_EQ(toggles, 2);
}

TEST(BarsTest, SideBarLoadsBothPagesParksTheAdvertisementAndFillsWithMessages) {
  TempDir dir;
  WriteFileOrDie(dir / "guanggao.htm", "<html><body>ad</body></html>");
  WriteFileOrDie(dir / "sysmsg.htm", "<html><body>messages</body></html>");
  CSystemDialogBar bar(FileBaseUrl(dir));
  CExplorer1* advertisement = bar.advertisementPage();
  CExplorer2* messages = bar.messagePage();
  EXPECT_EQ(FindControl(&bar, ids::IDC_EXPLORER_GUANGGAO), advertisement);
  EXPECT_EQ(FindControl(&bar, ids::IDC_EXPLORER_MESSAGE), messages);
  EXPECT_EQ(messages->geometry().height(), 0);

  bar.layoutControls(QSize(240, 700));
  EXPECT_EQ(advertisement->geometry(), QRect(0, -1000, 239, 100));
  EXPECT_EQ(messages->geometry(), QRect(0, 0, 240, 700));
  // A second layout keeps the parked page's height and only follows the new width.
  bar.layoutControls(QSize(300, 500));
  EXPECT_EQ(advertisement->geometry(), QRect(0, -1000, 299, 100));
  EXPECT_EQ(messages->geometry(), QRect(0, 0, 300, 500));

  // Hidden or parked, both pages still load.
  ASSERT_TRUE(WaitFor([&] { return PlainText(advertisement) == "ad"; }));
  ASSERT_TRUE(WaitFor([&] { return messages->readyStateComplete(); }));
  EXPECT_EQ(PlainText(messages), "messages");
  EXPECT_EQ(messages->url().fileName(), "sysmsg.htm");
}

TEST(BarsTest, MessagePageIsRefreshedOnlyWhenComplete) {
  TempDir dir;
  WriteFileOrDie(dir / "sysmsg.htm", "<html><body>first</body></html>");
  CSystemDialogBar bar(FileBaseUrl(dir));
  CExplorer2* messages = bar.messagePage();

  // Still loading: the notice is dropped.
  EXPECT_FALSE(messages->readyStateComplete());
  EXPECT_FALSE(bar.refreshMessagePage(FileBaseUrl(dir)));
  ASSERT_TRUE(WaitFor([&] { return messages->readyStateComplete(); }));

  WriteFileOrDie(dir / "sysmsg.htm", "<html><body>second</body></html>");
  EXPECT_TRUE(bar.refreshMessagePage(FileBaseUrl(dir)));
  // The reload is under way, so the next notice is dropped too.
  EXPECT_FALSE(messages->readyStateComplete());
  WriteFileOrDie(dir / "sysmsg.htm", "<html><body>third</body></html>");
  EXPECT_FALSE(bar.refreshMessagePage(FileBaseUrl(dir)));
  ASSERT_TRUE(WaitFor([&] { return messages->readyStateComplete(); }));
  const QString shown = PlainText(messages);
  EXPECT_TRUE(shown == "second" || shown == "third") << shown.toStdString();

  // Once complete, the next notice shows the newest file.
  EXPECT_TRUE(messages->refreshIfComplete());
  ASSERT_TRUE(WaitFor([&] { return messages->readyStateComplete(); }));
  EXPECT_EQ(PlainText(messages), "third");
}

TEST(BarsTest, MessagePageRequestedBeforeTheServerListensRecoversOnTheNextNotice) {
  ClosedPort port;
  const QString base = QString("http://127.0.0.1:%1/").arg(port.port());
  CSystemDialogBar bar(base);
  CExplorer2* messages = bar.messagePage();
  // Nothing listens yet: the load ends on the engine's error page, which counts as complete.
  ASSERT_TRUE(WaitFor([&] { return messages->readyStateComplete(); }));

  OnePageServer server("<html><body>server up</body></html>");
  ASSERT_TRUE(server.Adopt(port.Listen()));
  EXPECT_TRUE(bar.refreshMessagePage(base));
  ASSERT_TRUE(WaitFor([&] { return messages->readyStateComplete(); }));
  EXPECT_EQ(PlainText(messages), "server up");
}

TEST(BarsTest, SidePagesFollowTheServerToItsNewPort) {
  const ClosedPort configured;
  CSystemDialogBar bar(QString("http://127.0.0.1:%1/").arg(configured.port()));
  ASSERT_TRUE(WaitFor([&] { return bar.messagePage()->readyStateComplete(); }));

  // The server came up on another port than the one the pages were requested from.
  OnePageServer server("<html><body>moved</body></html>");
  ASSERT_TRUE(server.Listen());
  const int actualPort = server.port();
  const QString actualBase = QString("http://127.0.0.1:%1/").arg(actualPort);
  EXPECT_TRUE(bar.refreshMessagePage(actualBase));
  ASSERT_TRUE(WaitFor([&] { return bar.messagePage()->readyStateComplete(); }));
  EXPECT_EQ(PlainText(bar.messagePage()), "moved");
  EXPECT_EQ(bar.messagePage()->url().port(), actualPort);
  ASSERT_TRUE(WaitFor([&] { return PlainText(bar.advertisementPage()) == "moved"; }));
}

}  // namespace
