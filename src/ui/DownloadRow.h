#pragma once
#include <QWidget>

class DownloadItem;
class QLabel;
class QProgressBar;
class QPushButton;

// One line of the downloads window: the file's name, a progress bar, size and speed,
// and the buttons to cancel it, open the file and open its folder.
class DownloadRow : public QWidget {
  Q_OBJECT

 public:
  DownloadRow(DownloadItem* item, QWidget* parent);

  DownloadItem* item() const { return item_; }
  QProgressBar* progressBar() const { return progress_; }
  QPushButton* cancelButton() const { return cancel_; }
  QPushButton* openButton() const { return open_; }
  QPushButton* folderButton() const { return folder_; }

 private:
  void refresh();
  void openFile();
  void openFolder();

  DownloadItem* item_;
  QLabel* name_;
  QProgressBar* progress_;
  QLabel* details_;
  QPushButton* cancel_;
  QPushButton* open_;
  QPushButton* folder_;
};
