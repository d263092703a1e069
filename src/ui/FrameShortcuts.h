#pragma once
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <functional>

class CMainFrame;
class QShortcut;

// The keys people expect of a browser, live wherever the focus is inside the main window
// (the address box, a page, a page window's frame):
//   Ctrl+N            a new, empty page window
//   F5, Ctrl+R        reload the current page
//   Alt+Left/Right    back, forward
//   Ctrl+L, Alt+D, F6 the address box, its text selected
//   Esc               stop loading the current page (only while it loads; otherwise the
//                     key stays with the page or the box)
//   Ctrl+W, Ctrl+F4   close the current page window
//   Ctrl+Tab          the next page window; Ctrl+Shift+Tab the previous one
//   Ctrl+P            print the current page
class FrameShortcuts : public QObject {
  Q_OBJECT

 public:
  explicit FrameShortcuts(CMainFrame* frame);

  // Follows whether the current page is loading (Esc is live only then).
  void refresh();

 private:
  QShortcut* add(const QList<QKeySequence>& keys, const std::function<void()>& action);

  CMainFrame* frame_;
  QShortcut* stop_ = nullptr;
};
