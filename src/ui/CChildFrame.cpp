#include "ui/CChildFrame.h"

#include <QCloseEvent>
#include <QMenu>
#include <QTimer>

#include "app/AppState.h"
#include "ui/CMainFrame.h"
#include "ui/CvarnokPage.h"
#include "ui/CvarnokView.h"
#include "ui/ProgramPictures.h"

namespace {

// How long a page has to answer whether it may be left before it is closed anyway.
constexpr int kAnswerMs = 3000;

}  // namespace

CChildFrame::CChildFrame(AppState& state, CMainFrame* frame)
    : state_(state), frame_(frame), view_(new CvarnokView(state, frame)), answerTimer_(new QTimer(this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(view_);
  // Without an icon of its own a page window would show the toolkit's logo.
  setWindowIcon(ProgramPictures::ProgramIcon());
  leaveCloseKeysToTheFrame();
  connect(this, &QMdiSubWindow::windowStateChanged, this, &CChildFrame::onWindowStateChanged);
  answerTimer_->setSingleShot(true);
  connect(answerTimer_, &QTimer::timeout, this, &CChildFrame::onNoAnswer);
  // The page agreed to go, or a script closed its own window.
  connect(view_->page(), &QWebEnginePage::windowCloseRequested, this, &CChildFrame::closeNow);
  connect(static_cast<CvarnokPage*>(view_->page()), &CvarnokPage::leaveRefused, this, [this] {
    asking_ = false;
    answerTimer_->stop();
    emit closeRefused();
  });
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  // Nothing to ask of an empty page or of one whose renderer is gone.
  if (mayClose_ || view_->url().isEmpty() || view_->rendererGone()) {
    QMdiSubWindow::closeEvent(event);
    return;
  }
  event->ignore();
  askPageToClose();
}

void CChildFrame::askPageToClose() {
  if (asking_) return;
  asking_ = true;
  view_->page()->triggerAction(QWebEnginePage::RequestClose);
  answerTimer_->start(kAnswerMs);
}

void CChildFrame::closeNow() {
  mayClose_ = true;
  answerTimer_->stop();
  close();
}

void CChildFrame::onNoAnswer() {
  // The person is still reading the warning: the answer comes with their choice.
  if (static_cast<CvarnokPage*>(view_->page())->askingToLeave()) return;
  closeNow();
}

void CChildFrame::leaveCloseKeysToTheFrame() {
  // The window menu's close entry would answer Ctrl+W and Ctrl+F4 only with the focus
  // inside this page window, and, there, clash with the main window's own keys for
  // closing the current page, so that neither would act.
  const QKeySequence closeKeys[] = {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_F4)};
  if (QMenu* menu = systemMenu())
    for (QAction* action : menu->actions())
      for (const QKeySequence& key : closeKeys)
        if (action->shortcuts().contains(key)) action->setShortcuts({});
}

void CChildFrame::showAsNew() {
  if (state_.MaximizedPages())
    showMaximized();
  else
    show();
}

void CChildFrame::onWindowStateChanged(Qt::WindowStates, Qt::WindowStates newState) {
  frame_->resetMainTitle();
  if (newState & Qt::WindowMaximized) state_.SetMaximizedPages(true);
}
