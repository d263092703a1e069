#include "ui/FullScreenController.h"

#include <QMdiSubWindow>
#include <QShortcut>
#include <QWebEnginePage>
#include <QWebEngineView>

FullScreenController::FullScreenController(QObject* parent) : QObject(parent) {}

FullScreenController::~FullScreenController() { leave(); }

void FullScreenController::handle(QWebEngineFullScreenRequest request, QWebEngineView* view) {
  request.accept();
  if (request.toggleOn())
    enter(view);
  else if (view == view_)
    leave();
}

void FullScreenController::enter(QWebEngineView* view) {
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
}

void FullScreenController::leave() {
  QWebEngineView* view = view_;
  view_ = nullptr;
  if (!view) return;
  delete escape_.data();
  if (home_) {
    home_->setWidget(view);
    view->showNormal();
  } else {
    // Its page window went meanwhile, and the view with it.
    view->deleteLater();
  }
}
