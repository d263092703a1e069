#pragma once
#include <QWebEngineView>

// The side bar's message page (control 1015), showing sysmsg.htm. The main frame
// refreshes it whenever the system messages change, but only once it has finished
// loading: a notice that arrives while it still loads is dropped.
class CExplorer2 : public QWebEngineView {
  Q_OBJECT

 public:
  // Shows its page through `profile` (the default profile when null).
  explicit CExplorer2(QWebEngineProfile* profile = nullptr, QWidget* parent = nullptr);

  void navigate(const QString& url);
  // True once a load has finished (also one that ended on an error page) and no other
  // load is under way.
  bool readyStateComplete() const;
  void refresh();
  // Refreshes when the page is complete; returns whether it did.
  bool refreshIfComplete();

 private:
  void onLoadStarted();
  void onLoadFinished();

  bool loading_ = false;
  bool finishedOnce_ = false;
};
