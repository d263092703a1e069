#include "ui/SitePermissions.h"

#include <QMessageBox>
#include <QPushButton>

SitePermissions::SitePermissions(QWidget* dialogParent, QObject* parent)
    : QObject(parent), dialogParent_(dialogParent) {}

void SitePermissions::watch(QWebEnginePage* page) {
  connect(page, &QWebEnginePage::featurePermissionRequested, this,
          [this, page](const QUrl& origin, QWebEnginePage::Feature feature) { onRequested(page, origin, feature); });
  connect(page, &QWebEnginePage::featurePermissionRequestCanceled, this,
          [this, page](const QUrl& origin, QWebEnginePage::Feature feature) { onCancelled(page, origin, feature); });
}

QString SitePermissions::FeatureText(QWebEnginePage::Feature feature) {
  switch (feature) {
    case QWebEnginePage::Notifications: return QStringLiteral("显示通知");
    case QWebEnginePage::Geolocation: return QStringLiteral("获取您的位置");
    case QWebEnginePage::MediaAudioCapture: return QStringLiteral("使用您的麦克风");
    case QWebEnginePage::MediaVideoCapture: return QStringLiteral("使用您的摄像头");
    case QWebEnginePage::MediaAudioVideoCapture: return QStringLiteral("使用您的摄像头和麦克风");
    case QWebEnginePage::MouseLock: return QStringLiteral("锁定鼠标指针");
    case QWebEnginePage::DesktopVideoCapture: return QStringLiteral("共享您的屏幕");
    case QWebEnginePage::DesktopAudioVideoCapture: return QStringLiteral("共享您的屏幕和声音");
  }
  return QStringLiteral("使用一项功能（%1）").arg(int(feature));
}

QString SitePermissions::Question(const QUrl& origin, QWebEnginePage::Feature feature) {
  const QString site = origin.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::StripTrailingSlash);
  return QStringLiteral("网站 %1 请求%2。\n\n是否允许？（本次运行期间对该网站有效）").arg(site, FeatureText(feature));
}

void SitePermissions::onRequested(QWebEnginePage* page, const QUrl& origin, QWebEnginePage::Feature feature) {
  const Key key(origin.toString(), int(feature));
  const auto known = answers_.constFind(key);
  if (known != answers_.constEnd()) {
    page->setFeaturePermission(origin, feature,
                               *known ? QWebEnginePage::PermissionGrantedByUser : QWebEnginePage::PermissionDeniedByUser);
    return;
  }
  // Several pages of one site asking at once share one prompt.
  pending_[key].pages.append(page);
  if (!pending_[key].prompt) ask(key, origin, feature);
}

void SitePermissions::onCancelled(QWebEnginePage* page, const QUrl& origin, QWebEnginePage::Feature feature) {
  const Key key(origin.toString(), int(feature));
  auto pending = pending_.find(key);
  if (pending == pending_.end()) return;
  pending->pages.removeAll(page);
  // Nobody waits any more: the question goes without an answer to remember.
  if (pending->pages.isEmpty()) {
    if (pending->prompt) pending->prompt->deleteLater();
    pending_.erase(pending);
  }
}

void SitePermissions::ask(const Key& key, const QUrl& origin, QWebEnginePage::Feature feature) {
  auto* prompt = new QMessageBox(QMessageBox::Question, QStringLiteral("网站请求权限"), Question(origin, feature),
                                 QMessageBox::NoButton, dialogParent_);
  prompt->setAttribute(Qt::WA_DeleteOnClose);
  QPushButton* allow = prompt->addButton(QStringLiteral("允许(&A)"), QMessageBox::AcceptRole);
  QPushButton* deny = prompt->addButton(QStringLiteral("拒绝(&D)"), QMessageBox::RejectRole);
  // Enter and Esc both keep the site out; allowing takes a deliberate choice.
  prompt->setDefaultButton(deny);
  prompt->setEscapeButton(deny);
  connect(prompt, &QMessageBox::buttonClicked, this,
          [this, key, origin, feature, allow](QAbstractButton* button) { answer(key, origin, feature, button == allow); });
  pending_[key].prompt = prompt;
  prompt->open();
}

void SitePermissions::answer(const Key& key, const QUrl& origin, QWebEnginePage::Feature feature, bool granted) {
  answers_.insert(key, granted);
  const Pending pending = pending_.take(key);
  for (const QPointer<QWebEnginePage>& page : pending.pages)
    if (page)
      page->setFeaturePermission(origin, feature,
                                 granted ? QWebEnginePage::PermissionGrantedByUser : QWebEnginePage::PermissionDeniedByUser);
}
