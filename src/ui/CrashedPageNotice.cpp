#include "ui/CrashedPageNotice.h"

#include <QPushButton>
#include <QWebEngineView>

CrashedPageNotice::CrashedPageNotice(QWebEngineView* view) : PageNotice(view) {
  setObjectName(QStringLiteral("crashed"));
  QPushButton* reload = addButton(QStringLiteral("reload"), QStringLiteral("重新加载"));
  connect(reload, &QPushButton::clicked, this, [this, view] {
    hide();
    view->reload();
  });
  connect(view->page(), &QWebEnginePage::loadStarted, this, &QWidget::hide);
}

QString CrashedPageNotice::What(QWebEnginePage::RenderProcessTerminationStatus status) {
  switch (status) {
    case QWebEnginePage::CrashedTerminationStatus: return QStringLiteral("显示此网页的进程崩溃了。");
    case QWebEnginePage::KilledTerminationStatus:
      return QStringLiteral("显示此网页的进程被终止了（例如内存不足时被系统结束）。");
    case QWebEnginePage::AbnormalTerminationStatus: return QStringLiteral("显示此网页的进程意外退出了。");
    case QWebEnginePage::NormalTerminationStatus: break;
  }
  return QStringLiteral("显示此网页的进程已经结束。");
}

void CrashedPageNotice::showFor(QWebEnginePage::RenderProcessTerminationStatus status) {
  setText(QStringLiteral("此网页无法继续显示"),
          What(status) + QStringLiteral("\n\n其他页面窗口不受影响。点击“重新加载”可以再次打开此网页。"));
  showWithDefault(findChild<QPushButton*>(QStringLiteral("reload")));
}
