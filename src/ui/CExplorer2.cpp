#include "ui/CExplorer2.h"

#include <QUrl>
#include <QWebEngineProfile>

#include "ui/ControlIds.h"

CExplorer2::CExplorer2(QWebEngineProfile* profile, QWidget* parent)
    : QWebEngineView(profile ? profile : QWebEngineProfile::defaultProfile(), parent) {
  setObjectName(QStringLiteral("CExplorer2"));
  SetControlId(this, ids::IDC_EXPLORER_MESSAGE);
  connect(this, &QWebEngineView::loadStarted, this, &CExplorer2::onLoadStarted);
  connect(this, &QWebEngineView::loadFinished, this, &CExplorer2::onLoadFinished);
}

// The engine reports the start of a load asynchronously; counting it as loading from
// the request on means a notice arriving in between is not taken for a complete page.
void CExplorer2::navigate(const QString& url) {
  loading_ = true;
  load(QUrl(url));
}

bool CExplorer2::readyStateComplete() const { return finishedOnce_ && !loading_; }

void CExplorer2::refresh() {
  loading_ = true;
  reload();
}

bool CExplorer2::refreshIfComplete() {
  if (!readyStateComplete()) return false;
  refresh();
  return true;
}

void CExplorer2::onLoadStarted() { loading_ = true; }

void CExplorer2::onLoadFinished() {
  loading_ = false;
  finishedOnce_ = true;
}
