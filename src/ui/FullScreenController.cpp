#include "ui/FullScreenController.h"

#include <QLabel>
#include <QMdiSubWindow>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "ui/SiteHost.h"

namespace {

constexpr int kNoticeHostWidth = 480;  // pixels

}  // namespace

FullScreenController::FullScreenController(QObject* parent) : QObject(parent) {}

FullScreenController::~FullScreenController() { leave(); }

void FullScreenController::handle(QWebEngineFullScreenRequest request, QWebEngineView* view) {
  request.accept();
  if (request.toggleOn())
    enter(view, request.origin());
  else if (view == view_)
    leave();
}

void FullScreenController::enter(QWebEngineView* view, const QUrl& origin) {
  if (view_) return;
  auto* home = qobject_cast<QMdiSubWindow*>(view->parentWidget());
  if (!home) return;
  view_ = view;
  home_ = home;
  // The page window lets go of the view (it becomes a window of its own) and takes it
  // back on leaving.
  home->setWidget(nullptr);
  view->showFullScreen();
  // Only while in full screen: otherwise Esc belongs to the page.
  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), view);
  escape_->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape_, &QShortcut::activated, view, [view] { view->page()->triggerAction(QWebEnginePage::ExitFullScreen); });
  showNotice(view, origin);
}

QString FullScreenController::NoticeText(const QString& host) {
  return QStringLiteral("%1 已全屏显示\u3000按 Esc 退出全屏").arg(host);
}

void FullScreenController::showNotice(QWebEngineView* view, const QUrl& origin) {
  auto* notice = new QLabel(view);
  notice->setObjectName(QStringLiteral("fullScreenNotice"));
  notice->setTextFormat(Qt::PlainText);
  notice->setStyleSheet(QStringLiteral("background: rgba(32, 32, 32, 220); color: white; padding: 12px 20px;"
                                       "border-radius: 6px; font-size: 15px;"));
  notice->ensurePolished();
  notice->setText(NoticeText(SiteHostText(origin, notice->fontMetrics(), kNoticeHostWidth)));
  notice->adjustSize();
  // Centred on the screen the view is about to fill, whatever size it still has now.
  const QRect screen = view->screen()->geometry();
  notice->move((screen.width() - notice->width()) / 2, 24);
  notice->show();
  notice->raise();
  notice_ = notice;
  QTimer::singleShot(kNoticeMs, notice, &QObject::deleteLater);
}

void FullScreenController::leave() {
  QWebEngineView* view = view_;
  view_ = nullptr;
  if (!view) return;
  delete escape_.data();
  delete notice_.data();
  if (home_) {
    home_->setWidget(view);
    view->showNormal();
  } else {
    // Its page window went meanwhile, and the view with it.
    view->deleteLater();
  }
}
