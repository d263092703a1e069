#include "ui/CChildFrame.h"

#include "app/AppState.h"
#include "ui/CMainFrame.h"
#include "ui/CvarnokView.h"

CChildFrame::CChildFrame(AppState& state, CMainFrame* frame)
    : state_(state), frame_(frame), view_(new CvarnokView(state, frame)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(view_);
  connect(this, &QMdiSubWindow::windowStateChanged, this, &CChildFrame::onWindowStateChanged);
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
