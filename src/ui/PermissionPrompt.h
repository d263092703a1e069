#pragma once
#include <QDialog>
#include <QUrl>
#include <QWebEnginePage>

class QLabel;
class QPushButton;

// The question put to the person when a site asks for a feature (notifications, the
// location, camera, microphone, the screen). It cannot be answered by a key meant for
// the page it covers: no bare letter answers it, Enter and Esc refuse, and allowing
// takes a click or Alt+A and only works once the prompt has been in sight for
// kAllowDelay. The site's host is shown as SiteHostText shows it.
class PermissionPrompt : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kAllowDelayMs = 1000;
  static constexpr int kHostWidth = 360;  // pixels

  PermissionPrompt(const QUrl& origin, QWebEnginePage::Feature feature, QWidget* parent);

  // "显示通知", "获取您的位置", ...: what the site asks for, in the prompt's words.
  static QString FeatureText(QWebEnginePage::Feature feature);

  QString hostText() const;
  QWebEnginePage::Feature feature() const { return feature_; }
  QPushButton* allowButton() const { return allow_; }

 private:
  QWebEnginePage::Feature feature_;
  QLabel* host_;
  QPushButton* allow_;
};
