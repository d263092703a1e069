#include "ui/CvarnokPage.h"

#include "ui/CvarnokView.h"

CvarnokPage::CvarnokPage(WindowOpener openPageWindow, OwnPages ownPages, QObject* parent)
    : QWebEnginePage(parent), openPageWindow_(std::move(openPageWindow)), ownPages_(std::move(ownPages)) {}

QWebEnginePage* CvarnokPage::createWindow(WebWindowType) {
  CvarnokView* view = openPageWindow_ ? openPageWindow_() : nullptr;
  // A second try covers a window that did not come up as the active one at once.
  if (!view && openPageWindow_) view = openPageWindow_();
  return view ? view->page() : nullptr;
}

bool CvarnokPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  const bool byTheProgram =
      type == NavigationTypeTyped || type == NavigationTypeBackForward || type == NavigationTypeReload;
  if (!byTheProgram && ownPages_.isOwnFilePage && ownPages_.isOwnFilePage(url)) return false;
  const bool byThePage = type == NavigationTypeLinkClicked || type == NavigationTypeFormSubmitted;
  if (isMainFrame && byThePage && ownPages_.isCommand && ownPages_.isCommand(this->url(), url)) {
    // Loaded as the address box would load it, once the engine has let go of this one.
    QMetaObject::invokeMethod(this, [this, url] { load(url); }, Qt::QueuedConnection);
    return false;
  }
  return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}
