#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include "ui/TransferRate.h"

class QTimer;
class QWebEngineDownloadRequest;

// One accepted download as the downloads window shows it: where it goes, how far it
// is, how fast it moves and how it ended.
class DownloadItem : public QObject {
  Q_OBJECT

 public:
  enum class State { kInProgress, kFinished, kCancelled, kFailed };

  DownloadItem(QWebEngineDownloadRequest* request, QObject* parent);

  QString fileName() const { return fileName_; }
  QString path() const;
  QString directory() const { return directory_; }
  State state() const { return state_; }
  qint64 receivedBytes() const { return received_; }
  // -1 while the size is not known.
  qint64 totalBytes() const { return total_; }
  // 0..100, or -1 while the size is not known.
  int percent() const;
  double bytesPerSecond() const;
  // "1.5 MB / 4.0 MB" (or only what arrived when the size is unknown).
  QString sizeText() const;
  // "下载中 320.0 KB/秒", "已完成", "已取消", "失败：<reason>".
  QString stateText() const;
  // Why a failed download failed, as the engine says it.
  QString failure() const { return failure_; }

  void cancel();

 signals:
  void changed();
  // Once, when the download has finished, been cancelled or failed.
  void ended();

 private:
  void update();

  QPointer<QWebEngineDownloadRequest> request_;
  QString fileName_, directory_, failure_;
  State state_ = State::kInProgress;
  qint64 received_ = 0, total_ = -1;
  TransferRate rate_;
  QElapsedTimer clock_;
  QTimer* ticker_;
};
