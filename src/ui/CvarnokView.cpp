#include "ui/CvarnokView.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFullScreenRequest>

#include "app/AppState.h"
#include "ui/CMainFrame.h"
#include "ui/ControlIds.h"
#include "ui/CertificateErrorPage.h"
#include "ui/CrashedPageNotice.h"
#include "ui/CvarnokPage.h"
#include "ui/FindBar.h"
#include "ui/FullScreenController.h"
#include "ui/GbkBoundary.h"
#include "ui/LoginPrompt.h"
#include "ui/PageZoom.h"
#include "ui/SitePermissions.h"

CvarnokView::CvarnokView(AppState& state, CMainFrame* frame, QWidget* parent)
    : QWebEngineView(parent), state_(state), frame_(frame), captionTimer_(NewFollowTimer(this, &CvarnokView::refreshCaptions)) {
  setPage(new CvarnokPage(frame->profile(), [frame] { return frame->openNewPageWindow(); }, state, this));
  zoom_ = new PageZoom(this);
  LoginPrompt::Watch(page(), this);
  // What pages may do is the profile's (page_security); the frame answers their requests.
  frame->permissions()->watch(page());
  connect(page(), &QWebEnginePage::fullScreenRequested, this,
          [this](QWebEngineFullScreenRequest request) { frame_->fullScreen()->handle(std::move(request), this); });
  connectEngineEvents();
}

CvarnokView::~CvarnokView() {
  // Restores the main caption once the page window is gone.
  QPointer<CMainFrame> frame(frame_);
  QMetaObject::invokeMethod(
      frame_, [frame] { if (frame) frame->resetMainTitle(); }, Qt::QueuedConnection);
}

void CvarnokView::connectEngineEvents() {
  // The address is committed, the title arrives, the document completes or fails: each
  // refreshes the captions (the start of a load changes neither address nor title; when
  // the engine shows the requested address as the title meanwhile, it says so).
  connect(this, &QWebEngineView::loadStarted, this, &CvarnokView::onLoadStarted);
  connect(this, &QWebEngineView::urlChanged, this, &CvarnokView::scheduleCaptions);
  connect(this, &QWebEngineView::loadFinished, this, &CvarnokView::onLoadFinished);
  connect(this, &QWebEngineView::titleChanged, this, &CvarnokView::scheduleCaptions);
  connect(page(), &QWebEnginePage::certificateError, this, &CvarnokView::onCertificateError);
  connect(page(), &QWebEnginePage::renderProcessTerminated, this, &CvarnokView::onRendererEnded);
}

FindBar* CvarnokView::findBar() {
  if (!findBar_) findBar_ = new FindBar(this);
  return findBar_;
}

void CvarnokView::onCertificateError(const QWebEngineCertificateError& error) {
  if (!certificatePage_) certificatePage_ = new CertificateErrorPage(this);
  certificatePage_->handle(error);
}

void CvarnokView::onRendererEnded(QWebEnginePage::RenderProcessTerminationStatus status) {
  rendererGone_ = true;
  loading_ = false;
  if (!crashedNotice_) crashedNotice_ = new CrashedPageNotice(this);
  crashedNotice_->showFor(status);
}

void CvarnokView::initialUpdate() {
  if (state_.MaximizedPages()) return;
  QPointer<CMainFrame> frame(frame_);
  QMetaObject::invokeMethod(
      frame_, [frame] { if (frame) frame->tilePageWindows(); }, Qt::QueuedConnection);
}

void CvarnokView::navigateTo(const std::string& address) { load(gbk_boundary::UrlFromGbk(address)); }

void CvarnokView::navigateToFile(const std::string& path) { load(QUrl::fromLocalFile(QFile::decodeName(path.c_str()))); }

std::string CvarnokView::locationUrl() const { return gbk_boundary::GbkFromUrl(url().adjusted(QUrl::RemovePassword)); }

bool CvarnokView::handleCommand(int controlId) {
  switch (controlId) {
    case ids::IDC_BUTTON_BACK: back(); return true;
    case ids::IDC_BUTTON_FORWARD: forward(); return true;
    case ids::IDC_BUTTON_REFRESH: reload(); return true;
    case ids::IDC_BUTTON_ADD_FAVORITE: addToFavorites(); return true;
    case ids::IDC_BUTTON_TILE: tileAll(); return true;
    case ids::IDC_BUTTON_CLOSE_PAGE: closePage(); return true;
    case ids::IDC_BUTTON_SAVE: saveAs(); return true;
    default: return false;
  }
}

void CvarnokView::addToFavorites() { state_.AddFavorite(locationUrl()); }

void CvarnokView::tileAll() {
  frame_->tilePageWindows();
  state_.SetMaximizedPages(false);
}

void CvarnokView::closePage() {
  QPointer<QWidget> pageWindow(parentWidget());
  QMetaObject::invokeMethod(
      this, [pageWindow] { if (pageWindow) pageWindow->close(); }, Qt::QueuedConnection);
}

QString CvarnokView::DownloadDirectory() {
  // Saved pages go where the person's downloads go, never into the program's directory;
  // the directory is made when it is missing, as browsers do.
  const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
  if (!downloads.isEmpty() && QDir().mkpath(downloads)) return downloads;
  return QDir::homePath();
}

void CvarnokView::saveAs() {
  QString name = title().isEmpty() ? QStringLiteral("page.htm") : title() + QStringLiteral(".htm");
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  const QString path = QFileDialog::getSaveFileName(this, QString(), QDir(DownloadDirectory()).filePath(name));
  if (path.isEmpty()) return;
  page()->save(path, QWebEngineDownloadRequest::CompleteHtmlSaveFormat);
}

void CvarnokView::printPage() {
  // The engine prints asynchronously; the printer lives until it reports back.
  auto* printer = new QPrinter;
  QPrintDialog dialog(printer, this);
  if (dialog.exec() != QDialog::Accepted) {
    delete printer;
    return;
  }
  connect(this, &QWebEngineView::printFinished, this, [printer] { delete printer; }, Qt::SingleShotConnection);
  print(printer);
}

void CvarnokView::onLoadStarted() {
  loading_ = true;
  rendererGone_ = false;
  frame_->startBusy();
}

void CvarnokView::onLoadFinished() {
  loading_ = false;
  scheduleCaptions();
}

void CvarnokView::scheduleCaptions() {
  if (!captionTimer_->isActive()) captionTimer_->start();
}

void CvarnokView::refreshCaptions() {
  if (QWidget* pageWindow = parentWidget()) pageWindow->setWindowTitle(title());
  frame_->resetMainTitle();
}

void CvarnokView::resizeEvent(QResizeEvent* event) {
  QWebEngineView::resizeEvent(event);
  frame_->resetMainTitle();
}
