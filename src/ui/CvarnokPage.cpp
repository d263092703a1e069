#include "ui/CvarnokPage.h"

#include "ui/CvarnokView.h"

CvarnokPage::CvarnokPage(WindowOpener openPageWindow, QObject* parent)
    : QWebEnginePage(parent), openPageWindow_(std::move(openPageWindow)) {}

QWebEnginePage* CvarnokPage::createWindow(WebWindowType) {
  CvarnokView* view = openPageWindow_ ? openPageWindow_() : nullptr;
  // A second try covers a window that did not come up as the active one at once.
  if (!view && openPageWindow_) view = openPageWindow_();
  return view ? view->page() : nullptr;
}
