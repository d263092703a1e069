#include "ui/CvarnokPage.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include "ui/CvarnokView.h"
#include "ui/PageSecurity.h"

namespace {

// The engine asks a page's leave warning as a confirmation with this text of its own.
QString LeaveQuestion() {
  return QCoreApplication::translate(
      "QWebEnginePage", "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

}  // namespace

CvarnokPage::CvarnokPage(QWebEngineProfile* profile, WindowOpener openPageWindow, const AppState& state,
                         QObject* parent)
    : QWebEnginePage(profile, parent), openPageWindow_(std::move(openPageWindow)), state_(state) {}

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

bool CvarnokPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& message) {
  if (message != LeaveQuestion()) return QWebEnginePage::javaScriptConfirm(securityOrigin, message);
  const bool leave = askToLeave();
  if (!leave) emit leaveRefused();
  return leave;
}

bool CvarnokPage::askToLeave() {
  askingToLeave_ = true;
  QMessageBox box(QMessageBox::Question, QStringLiteral("离开此页？"),
                  QStringLiteral("%1 提醒：您在此页所做的更改可能不会被保存。\n\n确定要离开此页吗？").arg(url().host()),
                  QMessageBox::NoButton, qobject_cast<QWidget*>(parent()));
  QPushButton* leave = box.addButton(QStringLiteral("离开(&L)"), QMessageBox::AcceptRole);
  QPushButton* stay = box.addButton(QStringLiteral("留下"), QMessageBox::RejectRole);
  box.setDefaultButton(stay);
  box.setEscapeButton(stay);
  box.exec();
  askingToLeave_ = false;
  return box.clickedButton() == leave;
}
