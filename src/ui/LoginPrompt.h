#pragma once
#include <QDialog>
#include <QString>

class QAuthenticator;
class QLineEdit;
class QUrl;
class QWebEnginePage;

// Asks for a user name and password when a site (HTTP authentication) or a proxy wants
// them: names the site and its realm, 确定 / 取消. The answer goes to the engine only;
// nothing of it reaches an address, the history or varnok.ini. When the same site and
// realm ask again after an answer, the password was wrong, and the prompt says so.
class LoginPrompt : public QDialog {
  Q_OBJECT

 public:
  struct Request {
    QString site;   // "http://host:port" or the proxy's host
    QString realm;
    bool proxy = false;
    bool retry = false;  // the last answer for this site and realm was refused
    QString user;        // the user name given last time
  };

  LoginPrompt(const Request& request, QWidget* parent);

  QString user() const;
  QString password() const;
  // The question's text.
  static QString Question(const Request& request);

  // Answers the login requests of `page` from now on, with prompts over `parent`.
  static void Watch(QWebEnginePage* page, QWidget* parent);

 private:
  QLineEdit* user_;
  QLineEdit* password_;
};
