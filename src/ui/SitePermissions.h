#pragma once
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>

#include "ui/PermissionPrompt.h"

class QWidget;

// What pages may use beyond showing themselves (notifications, location, camera,
// microphone, the screen): the person is asked once per site and feature, and the
// answer holds for every page of that site until the program ends. One prompt is in
// sight at a time; the other requests wait their turn, and those of a site and feature
// just answered take that answer.
class SitePermissions : public QObject {
  Q_OBJECT

 public:
  SitePermissions(QWidget* dialogParent, QObject* parent);

  // Answers the requests of `page` from now on.
  void watch(QWebEnginePage* page);
  // The prompt in sight, or null.
  PermissionPrompt* prompt() const { return prompt_; }

 private:
  using Key = QPair<QString, int>;  // origin, feature
  struct Request {
    QPointer<QWebEnginePage> page;
    QUrl origin;
    QWebEnginePage::Feature feature;
    Key key() const { return Key(origin.toString(), int(feature)); }
  };

  void onRequested(QWebEnginePage* page, const QUrl& origin, QWebEnginePage::Feature feature);
  void onCancelled(QWebEnginePage* page, const QUrl& origin, QWebEnginePage::Feature feature);
  void askNext();
  void answer(const Key& key, bool granted);

  QPointer<QWidget> dialogParent_;
  QHash<Key, bool> answers_;
  QList<Request> waiting_;  // the first one is in sight when a prompt is
  QPointer<PermissionPrompt> prompt_;
};
