#include "ui/CertificateErrorPage.h"

#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>

CertificateErrorPage::CertificateErrorPage(QWebEngineView* view) : PageNotice(view), view_(view) {
  setObjectName(QStringLiteral("certificate"));
  // Another address typed or picked meanwhile leaves this one behind.
  connect(view->page(), &QWebEnginePage::loadStarted, this, [this] {
    if (pending_) pending_->rejectCertificate();
    pending_.reset();
    hide();
  });
}

QString CertificateErrorPage::Reason(QWebEngineCertificateError::Type type) {
  switch (type) {
    case QWebEngineCertificateError::CertificateAuthorityInvalid:
      return QStringLiteral("证书不是由受信任的证书颁发机构签发的（例如网站自己签发的证书）。");
    case QWebEngineCertificateError::CertificateCommonNameInvalid:
      return QStringLiteral("证书上的名称与网站的地址不符。");
    case QWebEngineCertificateError::CertificateDateInvalid:
      return QStringLiteral("证书已过期或尚未生效（也请检查本机的日期和时间）。");
    case QWebEngineCertificateError::CertificateRevoked: return QStringLiteral("证书已被签发机构吊销。");
    case QWebEngineCertificateError::CertificateWeakSignatureAlgorithm:
    case QWebEngineCertificateError::CertificateWeakKey: return QStringLiteral("证书使用的加密算法或密钥太弱。");
    default: return QStringLiteral("证书无效。");
  }
}

void CertificateErrorPage::handle(const QWebEngineCertificateError& error) {
  // A new error replaces an older one still waiting: the engine has given that one up.
  if (pending_) pending_->rejectCertificate();
  pending_ = error;
  pending_->defer();
  removeButtons();
  const QString host = error.url().host();
  setText(QStringLiteral("此网站的安全证书不受信任"),
          QStringLiteral("%1 出示的安全证书未能通过验证，连接到此网站的内容可能被他人窃听或篡改。\n\n"
                         "原因：%2\n浏览器内核的说明：%3")
              .arg(host, Reason(error.type()), error.description()));
  QPushButton* back = addButton(QStringLiteral("back"), QStringLiteral("返回"));
  connect(back, &QPushButton::clicked, this, &CertificateErrorPage::goBack);
  if (error.isOverridable()) {
    QPushButton* onward = addButton(QStringLiteral("proceed"), QStringLiteral("继续前往（不安全）"));
    connect(onward, &QPushButton::clicked, this, &CertificateErrorPage::proceed);
  }
  showWithDefault(back);
}

void CertificateErrorPage::goBack() {
  hide();
  // The navigation never committed: stopping it leaves the page that was there before
  // (refused, the engine would commit its own error page in its place).
  view_->stop();
  if (pending_) pending_->rejectCertificate();
  pending_.reset();
}

void CertificateErrorPage::proceed() {
  hide();
  if (pending_) pending_->acceptCertificate();
  pending_.reset();
}
