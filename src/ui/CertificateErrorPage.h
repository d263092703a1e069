#pragma once
#include <QWebEngineCertificateError>
#include <optional>

#include "ui/PageNotice.h"

class QWebEngineView;

// Stands in the page's place when a site's certificate is not trusted: names the host
// and why (in Chinese, with the engine's own words), and waits. "返回", the default,
// refuses the certificate and stays on the page before; where the engine lets the error
// be overridden, "继续前往（不安全）" accepts it, and the engine then trusts that host's
// certificate until the program ends.
class CertificateErrorPage : public PageNotice {
  Q_OBJECT

 public:
  explicit CertificateErrorPage(QWebEngineView* view);

  // Holds `error` back and shows what it is.
  void handle(const QWebEngineCertificateError& error);

  // The reason for an error type, in Chinese.
  static QString Reason(QWebEngineCertificateError::Type type);

 private:
  void goBack();
  void proceed();

  QWebEngineView* view_;
  std::optional<QWebEngineCertificateError> pending_;
};
