#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

class CMainFrame;
class QTimer;
class QWidget;

// After an unclean end (a crash, kill -9, the machine going down) the next start offers,
// in the status bar and never in a box that blocks the home page, to reopen the pages
// that were open. While the program runs, the addresses of its open pages are kept in a
// file, rewritten within a second of each change; a clean exit removes the file, so a
// file found at start means the last run did not end cleanly.
class SessionRestore : public QObject {
  Q_OBJECT

 public:
  // `path`: the file of open pages.
  SessionRestore(CMainFrame* frame, QString path);

  // Reopens the pages an unclean end left open, each in a page window of its own, and
  // takes the offer away.
  void reopen();
  // The program is closing cleanly: nothing is left to restore.
  void endCleanly();

  static QStringList Read(const QString& path);

 private:
  void offer();
  void withdrawOffer();
  void scheduleSave();
  void save();

  CMainFrame* frame_;
  QString path_;
  QStringList leftOpen_;
  QTimer* saveTimer_;
  QWidget* offer_ = nullptr;
  bool ended_ = false;
};
