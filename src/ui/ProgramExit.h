#pragma once
#include <QObject>
#include <QPointer>

class CChildFrame;
class CMainFrame;

// Closing the program as a browser does: with downloads still running the person is
// asked first; then the page windows close one after the other, each page's "leave this
// page?" warning honoured; when all have gone the main window closes. Staying on a page,
// or keeping the downloads, stops the closing and leaves everything as it was.
class ProgramExit : public QObject {
  Q_OBJECT

 public:
  explicit ProgramExit(CMainFrame* frame);

  // True once the pages have gone and the main window may close.
  bool agreed() const { return agreed_; }
  void begin();

 private:
  bool downloadsMayStop() const;
  void closeNextPage();

  CMainFrame* frame_;
  bool agreed_ = false;
  bool running_ = false;
  QPointer<CChildFrame> closing_;
};
