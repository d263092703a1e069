#pragma once
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <functional>

class CMainFrame;
class CvarnokView;
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
//   Ctrl+F            find in the current page; F3, Shift+F3 the next, previous match
//   Ctrl+plus/minus/0 zoom the current page in, out, back to 100% (keypad keys too)
class FrameShortcuts : public QObject {
  Q_OBJECT

 public:
  explicit FrameShortcuts(CMainFrame* frame);

  // Follows whether the current page is loading (Esc is live only then).
  void refresh();

 private:
  QShortcut* add(const QList<QKeySequence>& keys, const std::function<void()>& action);
  // A shortcut acting on the current page view, when there is one.
  void addForPage(const QList<QKeySequence>& keys, const std::function<void(CvarnokView*)>& action);

  CMainFrame* frame_;
  QShortcut* stop_ = nullptr;
};
