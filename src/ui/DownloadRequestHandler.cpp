#include "ui/DownloadRequestHandler.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include "ui/CvarnokView.h"
#include "ui/DownloadFileName.h"
#include "ui/DownloadItem.h"
#include "ui/DownloadRow.h"
#include "ui/DownloadsWindow.h"

DownloadRequestHandler::DownloadRequestHandler(QWebEngineProfile* profile, QWidget* dialogParent, Teller tell,
                                               QObject* parent)
    : QObject(parent), dialogParent_(dialogParent), tell_(std::move(tell)) {
  connect(profile, &QWebEngineProfile::downloadRequested, this, &DownloadRequestHandler::onRequested);
}

DownloadRequestHandler::~DownloadRequestHandler() { delete window_.data(); }

int DownloadRequestHandler::runningCount() const {
  int running = 0;
  if (window_)
    for (const DownloadRow* row : window_->rows())
      if (row->item()->state() == DownloadItem::State::kInProgress) ++running;
  return running;
}

void DownloadRequestHandler::onRequested(QWebEngineDownloadRequest* request) {
  // "Save page as" has chosen its file already.
  if (request->isSavePageDownload()) {
    request->accept();
    start(request);
    return;
  }
  const QString name = download_file_name::Clean(request->downloadFileName());
  // The engine waits for the answer until this returns.
  const QString chosen = QFileDialog::getSaveFileName(dialogParent_, QStringLiteral("保存文件"),
                                                      QDir(CvarnokView::DownloadDirectory()).filePath(name));
  if (chosen.isEmpty()) {
    request->cancel();
    tell_(QStringLiteral("没有保存 %1：保存对话框已取消").arg(name));
    return;
  }
  const QFileInfo target(chosen);
  request->setDownloadDirectory(target.absolutePath());
  request->setDownloadFileName(target.fileName());
  request->accept();
  start(request);
}

void DownloadRequestHandler::start(QWebEngineDownloadRequest* request) {
  if (!window_) window_ = new DownloadsWindow;
  auto* item = new DownloadItem(request, window_);
  connect(item, &DownloadItem::ended, this, [this, item] { tellEnd(item); });
  window_->add(item);
  tell_(QStringLiteral("正在下载 %1").arg(item->fileName()));
  // A download over before it was listed (a tiny file) is told all the same.
  if (item->state() != DownloadItem::State::kInProgress) tellEnd(item);
}

void DownloadRequestHandler::tellEnd(const DownloadItem* item) {
  switch (item->state()) {
    case DownloadItem::State::kFinished:
      tell_(QStringLiteral("下载完成：%1").arg(QDir::toNativeSeparators(item->path())));
      return;
    case DownloadItem::State::kCancelled:
      tell_(QStringLiteral("下载已取消：%1").arg(item->fileName()));
      return;
    case DownloadItem::State::kFailed:
      tell_(QStringLiteral("下载失败：%1（%2）").arg(item->fileName(), item->failure()));
      return;
    case DownloadItem::State::kInProgress: return;
  }
}
