#include "ui/FrameShortcuts.h"

#include <QMdiArea>
#include <QShortcut>

#include "ui/CClientWnd.h"
#include "ui/CMainFrame.h"
#include "ui/ControlIds.h"
#include "ui/CvarnokView.h"
#include "ui/FindBar.h"
#include "ui/PageZoom.h"

namespace {

constexpr Qt::KeyboardModifiers kCtrlOnKeypad = Qt::ControlModifier | Qt::KeypadModifier;

}  // namespace

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
  addForPage({QKeySequence(Qt::CTRL | Qt::Key_P)}, [](CvarnokView* view) { view->printPage(); });
  addForPage({QKeySequence::Find}, [](CvarnokView* view) { view->findBar()->open(); });
  addForPage({QKeySequence(Qt::Key_F3)}, [](CvarnokView* view) { view->findBar()->findNext(); });
  addForPage({QKeySequence(Qt::SHIFT | Qt::Key_F3)}, [](CvarnokView* view) { view->findBar()->findPrevious(); });
  // Plus shares its key with equals: Ctrl with that key zooms in, Shift or not (a
  // sequence with Shift as well would make the shifted press ambiguous, and dead).
  addForPage({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal),
              QKeySequence(QKeyCombination(kCtrlOnKeypad, Qt::Key_Plus))},
             [](CvarnokView* view) { view->zoom()->zoomIn(); });
  addForPage({QKeySequence(Qt::CTRL | Qt::Key_Minus), QKeySequence(QKeyCombination(kCtrlOnKeypad, Qt::Key_Minus))},
             [](CvarnokView* view) { view->zoom()->zoomOut(); });
  addForPage({QKeySequence(Qt::CTRL | Qt::Key_0), QKeySequence(QKeyCombination(kCtrlOnKeypad, Qt::Key_0))},
             [](CvarnokView* view) { view->zoom()->reset(); });
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

void FrameShortcuts::addForPage(const QList<QKeySequence>& keys, const std::function<void(CvarnokView*)>& action) {
  CMainFrame* frame = frame_;
  add(keys, [frame, action] {
    if (CvarnokView* view = frame->activeView()) action(view);
  });
}

void FrameShortcuts::refresh() { stop_->setEnabled(frame_->activePageLoading()); }
