#include "ui/CChildFrame.h"

#include <QMenu>

#include "app/AppState.h"
#include "ui/CMainFrame.h"
#include "ui/CvarnokView.h"

CChildFrame::CChildFrame(AppState& state, CMainFrame* frame)
    : state_(state), frame_(frame), view_(new CvarnokView(state, frame)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(view_);
  leaveCloseKeysToTheFrame();
  connect(this, &QMdiSubWindow::windowStateChanged, this, &CChildFrame::onWindowStateChanged);
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
