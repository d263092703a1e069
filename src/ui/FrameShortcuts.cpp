#include "ui/FrameShortcuts.h"

#include <QMdiArea>
#include <QShortcut>

#include "ui/CClientWnd.h"
#include "ui/CMainFrame.h"
#include "ui/ControlIds.h"
#include "ui/CvarnokView.h"

FrameShortcuts::FrameShortcuts(CMainFrame* frame) : QObject(frame), frame_(frame) {
  add({QKeySequence(Qt::CTRL | Qt::Key_N)}, [frame] { frame->openNewPageWindow(); });
  add({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)},
      [frame] { frame->handleCommand(ids::IDC_BUTTON_REFRESH); });
  add({QKeySequence(Qt::ALT | Qt::Key_Left)}, [frame] { frame->handleCommand(ids::IDC_BUTTON_BACK); });
  add({QKeySequence(Qt::ALT | Qt::Key_Right)}, [frame] { frame->handleCommand(ids::IDC_BUTTON_FORWARD); });
  add({QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::ALT | Qt::Key_D), QKeySequence(Qt::Key_F6)},
      [frame] { frame->focusAddressBox(); });
  add({QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_F4)},
      [frame] { frame->handleCommand(ids::IDC_BUTTON_CLOSE_PAGE); });
  add({QKeySequence(Qt::CTRL | Qt::Key_Tab)}, [frame] { frame->clientArea()->activateNextSubWindow(); });
  add({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)},
      [frame] { frame->clientArea()->activatePreviousSubWindow(); });
  add({QKeySequence(Qt::CTRL | Qt::Key_P)}, [frame] {
    if (CvarnokView* view = frame->activeView()) view->printPage();
  });
  stop_ = add({QKeySequence(Qt::Key_Escape)}, [frame] {
    if (CvarnokView* view = frame->activeView()) view->stop();
  });
  refresh();
}

QShortcut* FrameShortcuts::add(const QList<QKeySequence>& keys, const std::function<void()>& action) {
  auto* shortcut = new QShortcut(frame_);
  shortcut->setKeys(keys);
  // The whole main window, page windows and the pages' own focus widgets included.
  shortcut->setContext(Qt::WindowShortcut);
  connect(shortcut, &QShortcut::activated, this, action);
  return shortcut;
}

void FrameShortcuts::refresh() { stop_->setEnabled(frame_->activePageLoading()); }
