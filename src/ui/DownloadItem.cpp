#include "ui/DownloadItem.h"

#include <QDir>
#include <QTimer>
#include <QWebEngineDownloadRequest>

namespace {

// The speed is shown anew this often, also while nothing arrives.
constexpr int kTickMs = 500;

}  // namespace

DownloadItem::DownloadItem(QWebEngineDownloadRequest* request, QObject* parent)
    : QObject(parent),
      request_(request),
      fileName_(request->downloadFileName()),
      directory_(request->downloadDirectory()),
      ticker_(new QTimer(this)) {
  clock_.start();
  connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, &DownloadItem::update);
  connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this, &DownloadItem::update);
  connect(request, &QWebEngineDownloadRequest::stateChanged, this, &DownloadItem::update);
  connect(ticker_, &QTimer::timeout, this, &DownloadItem::changed);
  ticker_->start(kTickMs);
  update();
}

QString DownloadItem::path() const { return QDir(directory_).filePath(fileName_); }

int DownloadItem::percent() const {
  if (total_ <= 0) return state_ == State::kFinished ? 100 : -1;
  return int(qBound(qint64(0), received_ * 100 / total_, qint64(100)));
}

double DownloadItem::bytesPerSecond() const {
  return state_ == State::kInProgress ? rate_.bytesPerSecond(clock_.elapsed()) : 0;
}

QString DownloadItem::sizeText() const {
  if (total_ <= 0) return ByteSizeText(received_);
  return QStringLiteral("%1 / %2").arg(ByteSizeText(received_), ByteSizeText(total_));
}

QString DownloadItem::stateText() const {
  switch (state_) {
    case State::kInProgress:
      return QStringLiteral("下载中  %1/秒").arg(ByteSizeText(qint64(bytesPerSecond())));
    case State::kFinished: return QStringLiteral("已完成");
    case State::kCancelled: return QStringLiteral("已取消");
    case State::kFailed: return QStringLiteral("失败：%1").arg(failure_);
  }
  return QString();
}

void DownloadItem::cancel() {
  if (request_ && state_ == State::kInProgress) request_->cancel();
}

void DownloadItem::update() {
  if (!request_ || state_ != State::kInProgress) return;
  received_ = request_->receivedBytes();
  total_ = request_->totalBytes();
  rate_.addSample(clock_.elapsed(), received_);
  switch (request_->state()) {
    case QWebEngineDownloadRequest::DownloadCompleted: state_ = State::kFinished; break;
    case QWebEngineDownloadRequest::DownloadCancelled: state_ = State::kCancelled; break;
    case QWebEngineDownloadRequest::DownloadInterrupted:
      state_ = State::kFailed;
      failure_ = request_->interruptReasonString();
      break;
    default: break;
  }
  emit changed();
  if (state_ != State::kInProgress) {
    ticker_->stop();
    emit ended();
  }
}
