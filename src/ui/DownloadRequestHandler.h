#pragma once
#include <QObject>
#include <QPointer>
#include <functional>

#include "ui/DownloadsWindow.h"

class DownloadItem;
class QWebEngineDownloadRequest;
class QWebEngineProfile;
class QWidget;

// Answers every download the engine asks for: a save dialog that starts in the
// account's download directory, then the download in the downloads window. What becomes
// of each request is told through `tell` (a line for the status): saved, failed, or
// not saved because the dialog was cancelled. No request is left unanswered.
class DownloadRequestHandler : public QObject {
  Q_OBJECT

 public:
  using Teller = std::function<void(const QString& text)>;

  DownloadRequestHandler(QWebEngineProfile* profile, QWidget* dialogParent, Teller tell, QObject* parent);
  ~DownloadRequestHandler() override;

  // Created with the first download.
  DownloadsWindow* window() const { return window_; }
  // Downloads still under way.
  int runningCount() const;

 private:
  void onRequested(QWebEngineDownloadRequest* request);
  void start(QWebEngineDownloadRequest* request);
  void tellEnd(const DownloadItem* item);

  QPointer<QWidget> dialogParent_;
  Teller tell_;
  QPointer<DownloadsWindow> window_;
};
