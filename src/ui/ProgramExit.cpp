#include "ui/ProgramExit.h"

#include <QMessageBox>
#include <QPushButton>

#include "ui/CChildFrame.h"
#include "ui/CMainFrame.h"
#include "ui/DownloadRequestHandler.h"

ProgramExit::ProgramExit(CMainFrame* frame) : QObject(frame), frame_(frame) {}

void ProgramExit::begin() {
  if (running_ || agreed_) return;
  if (!downloadsMayStop()) return;
  running_ = true;
  closeNextPage();
}

bool ProgramExit::downloadsMayStop() const {
  const int running = frame_->downloads()->runningCount();
  if (running == 0) return true;
  QMessageBox box(QMessageBox::Warning, QStringLiteral("下载尚未完成"),
                  QStringLiteral("还有 %1 个下载正在进行。现在退出，这些下载将被取消。\n\n仍要退出吗？").arg(running),
                  QMessageBox::NoButton, frame_);
  QPushButton* quit = box.addButton(QStringLiteral("退出并取消下载(&Q)"), QMessageBox::AcceptRole);
  QPushButton* keep = box.addButton(QStringLiteral("继续下载"), QMessageBox::RejectRole);
  box.setDefaultButton(keep);
  box.setEscapeButton(keep);
  box.exec();
  return box.clickedButton() == quit;
}

void ProgramExit::closeNextPage() {
  const QList<CChildFrame*> pages = frame_->pageWindows();
  if (pages.isEmpty()) {
    running_ = false;
    agreed_ = true;
    frame_->close();
    return;
  }
  closing_ = pages.first();
  connect(closing_, &QObject::destroyed, this, &ProgramExit::closeNextPage, Qt::QueuedConnection);
  connect(closing_, &CChildFrame::closeRefused, this, [this] {
    disconnect(closing_, nullptr, this, nullptr);
    running_ = false;
  });
  closing_->close();
}
