#include "ui/SessionRestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include "ui/CChildFrame.h"
#include "ui/CMainFrame.h"
#include "ui/CvarnokView.h"

namespace {

// Changes within this time are written together.
constexpr int kSaveDelayMs = 500;

}  // namespace

SessionRestore::SessionRestore(CMainFrame* frame, QString path)
    : QObject(frame), frame_(frame), path_(std::move(path)), leftOpen_(Read(path_)), saveTimer_(new QTimer(this)) {
  saveTimer_->setSingleShot(true);
  saveTimer_->setInterval(kSaveDelayMs);
  connect(saveTimer_, &QTimer::timeout, this, &SessionRestore::save);
  connect(frame, &CMainFrame::pagesChanged, this, &SessionRestore::scheduleSave);
  if (!leftOpen_.isEmpty()) offer();
}

QStringList SessionRestore::Read(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList addresses;
  for (const QByteArray& line : file.readAll().split('\n'))
    if (!line.trimmed().isEmpty()) addresses << QString::fromUtf8(line.trimmed());
  return addresses;
}

void SessionRestore::offer() {
  offer_ = new QWidget;
  offer_->setObjectName(QStringLiteral("restore"));
  auto* row = new QHBoxLayout(offer_);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(new QLabel(QStringLiteral("varnok 上次没有正常关闭。")));
  auto* reopenButton = new QPushButton(QStringLiteral("重新打开上次的 %1 个页面").arg(leftOpen_.size()));
  reopenButton->setObjectName(QStringLiteral("restoreReopen"));
  reopenButton->setFocusPolicy(Qt::NoFocus);
  auto* dismiss = new QToolButton;
  dismiss->setObjectName(QStringLiteral("restoreDismiss"));
  dismiss->setText(QStringLiteral("✕"));
  dismiss->setToolTip(QStringLiteral("不用了"));
  dismiss->setAutoRaise(true);
  row->addWidget(reopenButton);
  row->addWidget(dismiss);
  connect(reopenButton, &QPushButton::clicked, this, &SessionRestore::reopen);
  connect(dismiss, &QToolButton::clicked, this, &SessionRestore::withdrawOffer);
  frame_->statusBar()->addWidget(offer_);
}

void SessionRestore::withdrawOffer() {
  if (offer_) offer_->deleteLater();
  offer_ = nullptr;
}

void SessionRestore::reopen() {
  withdrawOffer();
  for (const QString& address : std::as_const(leftOpen_)) frame_->openNewPageWindow()->load(QUrl(address));
  leftOpen_.clear();
}

void SessionRestore::endCleanly() {
  ended_ = true;
  saveTimer_->stop();
  QFile::remove(path_);
}

void SessionRestore::scheduleSave() {
  if (!ended_ && !saveTimer_->isActive()) saveTimer_->start();
}

void SessionRestore::save() {
  QByteArray lines;
  for (CChildFrame* page : frame_->pageWindows())
    if (!page->view()->url().isEmpty()) lines += page->view()->url().toEncoded(QUrl::RemovePassword) + '\n';
  QDir().mkpath(QFileInfo(path_).absolutePath());
  QSaveFile file(path_);
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) return;
  // Where the person has been is theirs alone.
  file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  if (file.write(lines) == lines.size()) file.commit();
}
