#include "ui/CSystemDialogBar.h"

#include "ui/CExplorer1.h"
#include "ui/CExplorer2.h"
#include "ui/DialogUnits.h"

namespace {

const QString kAdvertisementPage = QStringLiteral("guanggao.htm");
const QString kMessagePage = QStringLiteral("sysmsg.htm");

}  // namespace

CSystemDialogBar::CSystemDialogBar(QWebEngineProfile* profile, QWidget* parent)
    : QWidget(parent), advertisement_(new CExplorer1(profile, this)), messages_(new CExplorer2(profile, this)) {
  advertisement_->setGeometry(0, 0, 100, 100);
  // No height until the frame's layout sizes it.
  messages_->setGeometry(0, 100, 100, 0);
  resize(sizeHint());
}

CSystemDialogBar::CSystemDialogBar(const QString& localBaseUrl, QWidget* parent) : CSystemDialogBar(nullptr, parent) {
  loadPages(localBaseUrl);
}

QSize CSystemDialogBar::sizeHint() const { return dialog_units::ToPixels(0, 0, 160, 1429).size(); }

void CSystemDialogBar::loadPages(const QString& localBaseUrl) {
  localBaseUrl_ = localBaseUrl;
  advertisement_->navigate(localBaseUrl + kAdvertisementPage);
  messages_->navigate(localBaseUrl + kMessagePage);
}

void CSystemDialogBar::layoutControls(const QSize& hostSize) {
  const QRect advertisement = advertisement_->geometry();
  advertisement_->setGeometry(advertisement.x(), kHiddenTop, hostSize.width() - 1, advertisement.height());
  messages_->setGeometry(QRect(QPoint(0, 0), hostSize));
}

bool CSystemDialogBar::refreshMessagePage(const QString& localBaseUrl) {
  if (!messages_->readyStateComplete()) return false;
  reloadMessagePage(localBaseUrl);
  return true;
}

void CSystemDialogBar::reloadMessagePage(const QString& localBaseUrl) {
  if (localBaseUrl != localBaseUrl_) {
    loadPages(localBaseUrl);
  } else {
    messages_->refresh();
  }
}
