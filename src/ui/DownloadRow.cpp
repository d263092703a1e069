#include "ui/DownloadRow.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

#include "ui/DownloadItem.h"

DownloadRow::DownloadRow(DownloadItem* item, QWidget* parent)
    : QWidget(parent),
      item_(item),
      name_(new QLabel(item->fileName(), this)),
      progress_(new QProgressBar(this)),
      details_(new QLabel(this)),
      cancel_(new QPushButton(QStringLiteral("取消"), this)),
      open_(new QPushButton(QStringLiteral("打开"), this)),
      folder_(new QPushButton(QStringLiteral("打开文件夹"), this)) {
  name_->setToolTip(item->path());
  progress_->setObjectName(QStringLiteral("progress"));
  cancel_->setObjectName(QStringLiteral("cancel"));
  open_->setObjectName(QStringLiteral("open"));
  folder_->setObjectName(QStringLiteral("folder"));
  auto* layout = new QGridLayout(this);
  layout->addWidget(name_, 0, 0, 1, 4);
  layout->addWidget(progress_, 1, 0, 1, 4);
  layout->addWidget(details_, 2, 0);
  layout->addWidget(cancel_, 2, 1);
  layout->addWidget(open_, 2, 2);
  layout->addWidget(folder_, 2, 3);
  layout->setColumnStretch(0, 1);
  connect(cancel_, &QPushButton::clicked, item_, &DownloadItem::cancel);
  connect(open_, &QPushButton::clicked, this, &DownloadRow::openFile);
  connect(folder_, &QPushButton::clicked, this, &DownloadRow::openFolder);
  connect(item_, &DownloadItem::changed, this, &DownloadRow::refresh);
  refresh();
}

void DownloadRow::refresh() {
  const int percent = item_->percent();
  // An unknown size shows the busy form of the bar while the download runs.
  const bool running = item_->state() == DownloadItem::State::kInProgress;
  progress_->setRange(0, percent < 0 && running ? 0 : 100);
  progress_->setValue(qMax(0, percent));
  details_->setText(QStringLiteral("%1    %2").arg(item_->sizeText(), item_->stateText()));
  cancel_->setEnabled(running);
  open_->setEnabled(item_->state() == DownloadItem::State::kFinished);
}

void DownloadRow::openFile() { QDesktopServices::openUrl(QUrl::fromLocalFile(item_->path())); }

void DownloadRow::openFolder() { QDesktopServices::openUrl(QUrl::fromLocalFile(item_->directory())); }
