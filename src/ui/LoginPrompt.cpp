#include "ui/LoginPrompt.h"

#include <QAuthenticator>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <memory>

LoginPrompt::LoginPrompt(const Request& request, QWidget* parent)
    : QDialog(parent), user_(new QLineEdit(request.user)), password_(new QLineEdit) {
  setWindowTitle(QStringLiteral("登录"));
  password_->setEchoMode(QLineEdit::Password);
  auto* question = new QLabel(Question(request));
  question->setTextFormat(Qt::PlainText);
  question->setWordWrap(true);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("用户名："), user_);
  form->addRow(QStringLiteral("密码："), password_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* column = new QVBoxLayout(this);
  column->addWidget(question);
  column->addLayout(form);
  column->addWidget(buttons);
  setMinimumWidth(420);
  // A user name known from the last try: the password is what needs typing again.
  if (request.user.isEmpty())
    user_->setFocus();
  else
    password_->setFocus();
}

QString LoginPrompt::user() const { return user_->text(); }

QString LoginPrompt::password() const { return password_->text(); }

QString LoginPrompt::Question(const Request& request) {
  QString text = request.proxy ? QStringLiteral("代理服务器 %1 要求输入用户名和密码。").arg(request.site)
                               : QStringLiteral("%1 要求输入用户名和密码。").arg(request.site);
  if (!request.realm.isEmpty()) text += QStringLiteral("\n该网站说明：“%1”").arg(request.realm);
  if (request.retry) text += QStringLiteral("\n\n用户名或密码不正确，请重新输入。");
  if (!request.proxy && !request.site.startsWith(QLatin1String("https:")))
    text += QStringLiteral("\n\n此连接未加密，密码将以可被截获的方式发送。");
  return text;
}

void LoginPrompt::Watch(QWebEnginePage* page, QWidget* parent) {
  // The site and realm last answered, and the user name given: asked again for the
  // same, the engine had the answer refused.
  struct Last {
    QString key, user;
  };
  auto last = std::make_shared<Last>();
  QPointer<QWidget> owner(parent);
  auto ask = [last, owner](Request request, QAuthenticator* authenticator) {
    request.realm = authenticator->realm();
    const QString key = request.site + QLatin1Char('\n') + request.realm;
    request.retry = key == last->key;
    request.user = request.retry ? last->user : QString();
    LoginPrompt prompt(request, owner);
    if (prompt.exec() != QDialog::Accepted) {
      last->key.clear();
      // A null authenticator tells the engine the person declined.
      *authenticator = QAuthenticator();
      return;
    }
    *last = Last{key, prompt.user()};
    authenticator->setUser(prompt.user());
    authenticator->setPassword(prompt.password());
  };
  // A page that came through was answered rightly: a later question is a new one.
  QObject::connect(page, &QWebEnginePage::loadFinished, page, [last] { last->key.clear(); });
  QObject::connect(page, &QWebEnginePage::authenticationRequired, page, [ask](const QUrl& url, QAuthenticator* auth) {
    ask(Request{url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
                    .toString(),
                {}, false, false, {}},
        auth);
  });
  QObject::connect(page, &QWebEnginePage::proxyAuthenticationRequired, page,
                   [ask](const QUrl&, QAuthenticator* auth, const QString& proxyHost) {
                     ask(Request{proxyHost, {}, true, false, {}}, auth);
                   });
}
