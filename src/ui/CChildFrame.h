#pragma once
#include <QMdiSubWindow>

class AppState;
class CMainFrame;
class CvarnokView;

// A page window: one per open page, holding its page view. Its caption is the page's
// title. Maximizing it makes every later page window open maximized (the state's
// maximized-pages flag); restoring or minimizing never clears that.
class CChildFrame : public QMdiSubWindow {
  Q_OBJECT

 public:
  CChildFrame(AppState& state, CMainFrame* frame);

  CvarnokView* view() const { return view_; }
  // Shows the window the way the state asks: maximized while the flag is set.
  void showAsNew();

 private:
  void leaveCloseKeysToTheFrame();
  void onWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState);

  AppState& state_;
  CMainFrame* frame_;
  CvarnokView* view_;
};
