#include "ui/CvarnokPage.h"

#include "ui/CvarnokView.h"
#include "ui/PageSecurity.h"

CvarnokPage::CvarnokPage(WindowOpener openPageWindow, const AppState& state, QObject* parent)
    : QWebEnginePage(parent), openPageWindow_(std::move(openPageWindow)), state_(state) {}

QWebEnginePage* CvarnokPage::createWindow(WebWindowType) {
  CvarnokView* view = openPageWindow_ ? openPageWindow_() : nullptr;
  // A second try covers a window that did not come up as the active one at once.
  if (!view && openPageWindow_) view = openPageWindow_();
  return view ? view->page() : nullptr;
}

bool CvarnokPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  const bool byTheProgram =
      type == NavigationTypeTyped || type == NavigationTypeBackForward || type == NavigationTypeReload;
  if (!byTheProgram && page_security::IsOwnFilePage(state_, url)) return false;
  const bool byThePage = type == NavigationTypeLinkClicked || type == NavigationTypeFormSubmitted;
  if (isMainFrame && byThePage && page_security::IsOwnPageCommand(state_, this->url(), url)) {
    // Loaded as the address box would load it, once the engine has let go of this one.
    QMetaObject::invokeMethod(this, [this, url] { load(url); }, Qt::QueuedConnection);
    return false;
  }
  return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}
