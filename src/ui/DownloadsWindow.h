#pragma once
#include <QList>
#include <QWidget>

class DownloadItem;
class DownloadRow;
class QVBoxLayout;

// The downloads window: every download of the run, newest at the bottom, each with its
// progress, size, speed and buttons. It comes to the front when a download starts.
class DownloadsWindow : public QWidget {
  Q_OBJECT

 public:
  explicit DownloadsWindow(QWidget* parent = nullptr);

  // Lists `item` (the window takes it) and shows the window.
  void add(DownloadItem* item);
  const QList<DownloadRow*>& rows() const { return rows_; }

 private:
  QWidget* contents_;
  QVBoxLayout* list_;
  QList<DownloadRow*> rows_;
};
