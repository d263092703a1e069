#include "ui/CChildFrame.h"

#include <QMenu>

#include "app/AppState.h"
#include "ui/CMainFrame.h"
#include "ui/CvarnokView.h"
#include "ui/ProgramPictures.h"

CChildFrame::CChildFrame(AppState& state, CMainFrame* frame)
    : state_(state), frame_(frame), view_(new CvarnokView(state, frame)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(view_);
  // Without an icon of its own a page window would show the toolkit's logo.
  setWindowIcon(ProgramPictures::ProgramIcon());
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
