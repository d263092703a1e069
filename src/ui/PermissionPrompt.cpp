#include "ui/PermissionPrompt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/SiteHost.h"

namespace {

QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

PermissionPrompt::PermissionPrompt(const QUrl& origin, QWebEnginePage::Feature feature, QWidget* parent)
    : QDialog(parent), feature_(feature) {
  setWindowTitle(QStringLiteral("网站请求权限"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PlainLabel(QStringLiteral("网站"), this));
  host_ = PlainLabel(QString(), this);
  QFont bold = host_->font();
  bold.setBold(true);
  host_->setFont(bold);
  host_->setText(SiteHostText(origin, host_->fontMetrics(), kHostWidth));
  host_->setToolTip(origin.toString(QUrl::FullyEncoded));
  layout->addWidget(host_);
  layout->addWidget(
      PlainLabel(QStringLiteral("请求%1。是否允许？（本次运行期间对该网站有效）").arg(FeatureText(feature)), this));

  auto* buttons = new QDialogButtonBox(this);
  // A mnemonic only, which a QDialog answers with Alt and never with the bare letter.
  allow_ = buttons->addButton(QStringLiteral("允许(&A)"), QDialogButtonBox::AcceptRole);
  QPushButton* deny = buttons->addButton(QStringLiteral("拒绝"), QDialogButtonBox::RejectRole);
  // Never the focus either, so a typed blank cannot press it.
  allow_->setAutoDefault(false);
  allow_->setFocusPolicy(Qt::NoFocus);
  deny->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  // Keys already on their way to the page land here while the prompt comes up.
  allow_->setEnabled(false);
  QTimer::singleShot(kAllowDelayMs, allow_, [this] { allow_->setEnabled(true); });
}

QString PermissionPrompt::FeatureText(QWebEnginePage::Feature feature) {
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

QString PermissionPrompt::hostText() const { return host_->text(); }
