#pragma once
#include <QMdiSubWindow>

class QTimer;

class AppState;
class CMainFrame;
class CvarnokView;

// A page window: one per open page, holding its page view. Its caption is the page's
// title. Maximizing it makes every later page window open maximized (the state's
// maximized-pages flag); restoring or minimizing never clears that.
//
// Closing it first lets the page say whether it may be left (its "leave this page?"
// warning); a page whose answer never comes (a hung script) is closed all the same.
class CChildFrame : public QMdiSubWindow {
  Q_OBJECT

 public:
  CChildFrame(AppState& state, CMainFrame* frame);

  CvarnokView* view() const { return view_; }
  // Shows the window the way the state asks: maximized while the flag is set.
  void showAsNew();

 signals:
  // The page asked to be kept and the person chose to stay.
  void closeRefused();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void leaveCloseKeysToTheFrame();
  void onWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState);
  void askPageToClose();
  void closeNow();
  void onNoAnswer();

  AppState& state_;
  CMainFrame* frame_;
  CvarnokView* view_;
  QTimer* answerTimer_;
  bool asking_ = false;
  bool mayClose_ = false;
};
