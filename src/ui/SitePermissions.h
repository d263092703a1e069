#pragma once
#include <QHash>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>

class QMessageBox;
class QWidget;

// What pages may use beyond showing themselves (notifications, location, camera,
// microphone, the screen): the person is asked once per site and feature, and the
// answer holds for every page of that site until the program ends.
class SitePermissions : public QObject {
  Q_OBJECT

 public:
  SitePermissions(QWidget* dialogParent, QObject* parent);

  // Answers the requests of `page` from now on.
  void watch(QWebEnginePage* page);
  // "显示通知", "获取您的位置", ...: what the site asks for, in the prompt's words.
  static QString FeatureText(QWebEnginePage::Feature feature);
  // The prompt's question naming the site (its origin, e.g. "https://example.org").
  static QString Question(const QUrl& origin, QWebEnginePage::Feature feature);

 private:
  using Key = QPair<QString, int>;  // origin, feature
  struct Pending {
    QPointer<QMessageBox> prompt;
    QList<QPointer<QWebEnginePage>> pages;
  };

  void onRequested(QWebEnginePage* page, const QUrl& origin, QWebEnginePage::Feature feature);
  void onCancelled(QWebEnginePage* page, const QUrl& origin, QWebEnginePage::Feature feature);
  void ask(const Key& key, const QUrl& origin, QWebEnginePage::Feature feature);
  void answer(const Key& key, const QUrl& origin, QWebEnginePage::Feature feature, bool granted);

  QPointer<QWidget> dialogParent_;
  QHash<Key, bool> answers_;
  QHash<Key, Pending> pending_;
};
