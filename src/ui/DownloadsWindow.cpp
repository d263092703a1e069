#include "ui/DownloadsWindow.h"

#include <QScrollArea>
#include <QVBoxLayout>

#include "ui/DownloadItem.h"
#include "ui/DownloadRow.h"

DownloadsWindow::DownloadsWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("下载"));
  setObjectName(QStringLiteral("downloads"));
  resize(640, 320);
  contents_ = new QWidget;
  list_ = new QVBoxLayout(contents_);
  list_->addStretch(1);
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidget(contents_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll);
}

void DownloadsWindow::add(DownloadItem* item) {
  item->setParent(this);
  auto* row = new DownloadRow(item, this);
  // Above the stretch that keeps the rows at the top.
  list_->insertWidget(list_->count() - 1, row);
  rows_.append(row);
  // Wide enough for a whole row, buttons included.
  contents_->setMinimumWidth(row->minimumSizeHint().width());
  show();
  raise();
  activateWindow();
}
