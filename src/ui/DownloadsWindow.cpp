#include "ui/DownloadsWindow.h"

#include <QScrollArea>
#include <QVBoxLayout>

#include "ui/DownloadItem.h"
#include "ui/DownloadRow.h"

DownloadsWindow::DownloadsWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("下载"));
  setObjectName(QStringLiteral("downloads"));
  resize(520, 320);
  auto* contents = new QWidget;
  list_ = new QVBoxLayout(contents);
  list_->addStretch(1);
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setWidget(contents);
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
  show();
  raise();
  activateWindow();
}
