#pragma once
#include <QWebEnginePage>

#include "ui/PageNotice.h"

class QWebEngineView;

// Stands in the page's place when the process that drew it has ended (a crash, a kill,
// memory running out), which would otherwise leave a plain grey page: says what
// happened and offers "重新加载". Only this page window is affected.
class CrashedPageNotice : public PageNotice {
  Q_OBJECT

 public:
  explicit CrashedPageNotice(QWebEngineView* view);

  static QString What(QWebEnginePage::RenderProcessTerminationStatus status);
  void showFor(QWebEnginePage::RenderProcessTerminationStatus status);
};
