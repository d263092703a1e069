#include "ui/CMainFrame.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QQuickWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <cstdlib>

#include "app/AppState.h"
#include "app/HomeAddress.h"
#include "app/WindowSystem.h"
#include "ui/AddressTrim.h"
#include "ui/CBrowserDialogbar.h"
#include "ui/CBusyStatic.h"
#include "ui/CButtonDialogBar.h"
#include "ui/CExplorer2.h"
#include "ui/CChildFrame.h"
#include "ui/CClientWnd.h"
#include "ui/CPathDialogBar.h"
#include "ui/CSystemDialogBar.h"
#include "ui/ControlIds.h"
#include "ui/CvarnokView.h"
#include "ui/DownloadRequestHandler.h"
#include "ui/FrameShortcuts.h"
#include "ui/FullScreenController.h"
#include "ui/GbkBoundary.h"
#include "ui/LocalServerGuard.h"
#include "ui/ProgramExit.h"
#include "ui/ProgramPictures.h"
#include "ui/SearchWords.h"
#include "ui/SitePermissions.h"
#include "ui/WidgetMapWriter.h"
#include "ui/WindowPlacement.h"

CMainFrame::CMainFrame(AppState& state, QWebEngineProfile* profile, QWidget* parent)
    : QMainWindow(parent),
      state_(state),
      clientWnd_(new CClientWnd(this)),
      profile_(profile ? profile : QWebEngineProfile::defaultProfile()),
      downloads_(new DownloadRequestHandler(profile_, this, [this](const QString& text) { tellStatus(text); }, this)),
      permissions_(new SitePermissions(this, this)),
      fullScreen_(new FullScreenController(this)),
      exit_(new ProgramExit(this)),
      followTimer_(CvarnokView::NewFollowTimer(this, &CMainFrame::followCurrentPage)) {
  setMinimumSize(800, 600);
  setWindowIcon(ProgramPictures::ProgramIcon());
  drawThroughOpenGlFromTheStart();
  setCentralWidget(clientWnd_);
  connect(clientWnd_, &QMdiArea::subWindowActivated, this, &CMainFrame::onPageWindowActivated);
  // Tiled page windows follow the page area when the main window changes size.
  connect(clientWnd_, &CClientWnd::resized, this, &CMainFrame::retileUnlessMaximized);
  createBars();
  shortcuts_ = new FrameShortcuts(this);
  resetMainTitle();
  WidgetMapWriter::AttachIfRequested(this);
  // The first navigation comes once the loop runs, unless requestFirstPageEarly made it.
  QMetaObject::invokeMethod(this, &CMainFrame::onStartup, Qt::QueuedConnection);
}

// Page views draw through the scene graph's OpenGL widget. A top-level window first made
// for plain raster drawing is destroyed and made again when the first page appears; the
// window manager then gets a new window that never asked to be maximized, and the old one
// flickers away. A hidden child of the same kind, present from the start, makes the main
// window the right kind of window when it is first created, so it is created once.
void CMainFrame::drawThroughOpenGlFromTheStart() {
  auto* anchor = new QQuickWidget(this);
  anchor->setObjectName(QStringLiteral("openGlAnchor"));
  anchor->setFixedSize(0, 0);
  anchor->hide();
}

// Each bar sits in its own host. The path bar, the four-button bar and the side bar
// are created and then hidden; only the address bar stays in sight.
void CMainFrame::createBars() {
  createHiddenBars();
  createAddressBar();
  layoutBars();
}

void CMainFrame::createHiddenBars() {
  pathBar_ = new CPathDialogBar(state_.PathLabels());
  pathBarHost_ = addBarHost(pathBar_, Qt::TopToolBarArea);
  buttonBar_ = new CButtonDialogBar;
  buttonBarHost_ = addBarHost(buttonBar_, Qt::TopToolBarArea);
  connect(buttonBar_, &CButtonDialogBar::browserButtonClicked, this, &CMainFrame::toggleAddressBar);
  systemBar_ = new CSystemDialogBar(profile_);
  systemBarHost_ = addBarHost(systemBar_, Qt::RightToolBarArea);
  connect(systemBarHost_, &QToolBar::visibilityChanged, this, &CMainFrame::onSideBarShown);
  pathBarHost_->hide();
  buttonBarHost_->hide();
  systemBarHost_->hide();
}

void CMainFrame::layoutBars() {
  pathBar_->layoutControls(pathBarHost_->size());
  systemBar_->layoutControls(systemBarHost_->size());
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  layoutBars();
}

QWebEngineView* CMainFrame::systemMessagePage() const { return systemBar_ ? systemBar_->messagePage() : nullptr; }

void CMainFrame::createAddressBar() {
  addressBar_ = new CBrowserDialogbar(this);
  addressBarHost_ = addBarHost(addressBar_, Qt::TopToolBarArea);
  connect(addressBar_, &CBrowserDialogbar::commandIssued, this, &CMainFrame::handleCommand);
  connect(addressBar_, &CBrowserDialogbar::addressChosen, this, &CMainFrame::onAddressChosen);
  // A key press from the keyboard reaches the combo box, the focus widget, which hands
  // it on to its edit field internally; a key sent to the edit field itself skips the
  // box. Watching both catches the key whichever way it comes, before either acts on it.
  addressBar_->addressBox()->installEventFilter(this);
  addressBar_->addressBox()->lineEdit()->installEventFilter(this);
  if (CBusyStatic* busy = busyIndicator()) busy->setLoadingQuery([this] { return activePageLoading(); });
}

QToolBar* CMainFrame::addBarHost(QWidget* bar, Qt::ToolBarArea area) {
  auto* host = new QToolBar(this);
  host->setMovable(false);
  host->setFloatable(false);
  host->setContentsMargins(0, 0, 0, 0);
  bar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  host->addWidget(bar);
  addToolBar(area, host);
  return host;
}

void CMainFrame::resetMainTitle() {
  const QString title = gbk_boundary::FromGbk(MainTitle());
  if (windowTitle() != title) setWindowTitle(title);
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Whatever composes a caption from a maximized page window's title, the main window
  // shows the main title.
  if (event->type() == QEvent::WindowTitleChange) resetMainTitle();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // The pages go first, each asked whether it may be left.
  if (!exit_->agreed()) {
    event->ignore();
    exit_->begin();
    return;
  }
  fullScreen_->leave();
  QMainWindow::closeEvent(event);
  if (event->isAccepted()) emit closed();
}

void CMainFrame::onStartup() {
  started_ = true;
  requestFirstPage();
}

// Asked before the frame is shown: the engine fetches the first page while the window is
// mapped and painted, instead of after. A first page on our own server waits for the
// loop, by which time the server has been started.
void CMainFrame::requestFirstPageEarly() {
  const QUrl first = gbk_boundary::UrlFromGbk(gbk_boundary::AddressAsNavigated(state_.CurrentUrl()));
  if (LocalServerGuard::IsServerAt(first, std::atoi(state_.Port().c_str()))) return;
  requestFirstPage();
}

void CMainFrame::requestFirstPage() {
  if (firstPageRequested_) return;
  firstPageRequested_ = true;
  navigate(state_.CurrentUrl(), true);
}

// The side pages are two more renderer processes of the engine, for a bar that is hidden
// and that nothing on screen shows, so they are only requested when the bar is shown.
// The server's base URL is asked for then, so they come from the port it listens on.
void CMainFrame::onSideBarShown(bool visible) {
  if (!visible || !systemBar_) return;
  const QString base = gbk_boundary::FromGbk(state_.LocalBaseUrl());
  if (!systemBar_->pagesRequested())
    systemBar_->loadPages(base);
  else if (sideMessagesStale_)
    systemBar_->reloadMessagePage(base);
  sideMessagesStale_ = false;
}

void CMainFrame::onSystemMessagesChanged() {
  if (!started_ || !systemBar_) return;
  if (!systemBarHost_->isVisible()) {
    sideMessagesStale_ = true;
    return;
  }
  // Dropped while the page is still loading; requested from the server's current port.
  systemBar_->refreshMessagePage(gbk_boundary::FromGbk(state_.LocalBaseUrl()));
}

void CMainFrame::navigate(const std::string& typed, bool addToAddressBox) {
  // What is recorded is what the engine loads, so it works again as a link; words are
  // searched.
  const std::string address =
      search_words::AreWords(typed)
          ? search_words::SearchAddress(typed, search_words::ConfiguredSearchUrl())
          : gbk_boundary::AddressAsNavigated(typed);
  if (address.empty()) return;
  // A password typed into the address goes to the site, not into the box or the history.
  const std::string recorded = gbk_boundary::WithoutPassword(address);
  if (addToAddressBox && addressBar_->findAddress(recorded) < 0) addressBar_->insertAddressAtTop(recorded);
  state_.SetCurrentUrl(recorded);
  CvarnokView* view = activeView();
  if (!view) view = openNewPageWindow();
  view->navigateTo(address);
  state_.AddHistory(recorded);
}

void CMainFrame::showAddress(const std::string& address) { addressBar_->showAddressText(address); }

void CMainFrame::followCurrentPage() {
  CvarnokView* view = activeView();
  addressBar_->enableHistoryButtons(view && view->history()->canGoBack(), view && view->history()->canGoForward());
  if (!view) return;
  // What the person is typing stays until they leave it or press Enter.
  QLineEdit* edit = addressBar_->addressBox()->lineEdit();
  if (edit->hasFocus() && edit->isModified()) return;
  const std::string address = view->locationUrl();
  if (!address.empty()) showAddress(address);
}

void CMainFrame::onPageAddressCommitted(CvarnokView* view) {
  emit pagesChanged();
  if (view == activeView() && !followTimer_->isActive()) followTimer_->start();
}

CvarnokView* CMainFrame::openNewPageWindow() {
  auto* window = new CChildFrame(state_, this);
  // The others close the gap a closed page window leaves.
  connect(window, &QObject::destroyed, this, &CMainFrame::retileUnlessMaximized, Qt::QueuedConnection);
  connect(window->view(), &QWebEngineView::loadStarted, this, &CMainFrame::onCurrentPageStateChanged);
  connect(window->view(), &QWebEngineView::loadFinished, this, &CMainFrame::onCurrentPageStateChanged);
  CvarnokView* view = window->view();
  connect(view, &QWebEngineView::urlChanged, this, [this, view] { onPageAddressCommitted(view); });
  connect(view, &QWebEngineView::loadFinished, this, [this, view] { onPageAddressCommitted(view); });
  connect(window, &QObject::destroyed, this, &CMainFrame::pagesChanged);
  clientWnd_->addSubWindow(window);
  window->showAsNew();
  clientWnd_->setActiveSubWindow(window);
  window->view()->initialUpdate();
  return window->view();
}

CvarnokView* CMainFrame::activeView() const {
  // The current page window stays current while the application is inactive, where
  // the active one would be none.
  auto* window = qobject_cast<CChildFrame*>(clientWnd_->currentSubWindow());
  return window ? window->view() : nullptr;
}

QList<CChildFrame*> CMainFrame::pageWindows() const {
  QList<CChildFrame*> windows;
  for (QMdiSubWindow* window : clientWnd_->subWindowList(QMdiArea::CreationOrder))
    if (auto* page = qobject_cast<CChildFrame*>(window)) windows.append(page);
  return windows;
}

void CMainFrame::tilePageWindows() {
  QList<CChildFrame*> windows;
  for (CChildFrame* window : pageWindows())
    if (!window->isMinimized()) windows.append(window);
  for (CChildFrame* window : windows)
    if (window->isMaximized()) window->showNormal();
  const std::vector<QRect> cells = TileHorizontally(windows.size(), clientWnd_->viewport()->rect());
  for (int i = 0; i < windows.size(); ++i) windows[i]->setGeometry(cells[static_cast<size_t>(i)]);
}

void CMainFrame::retileUnlessMaximized() {
  if (!state_.MaximizedPages()) tilePageWindows();
}

void CMainFrame::startBusy() {
  if (CBusyStatic* busy = busyIndicator()) busy->start();
}

CBusyStatic* CMainFrame::busyIndicator() const {
  return dynamic_cast<CBusyStatic*>(FindControl(addressBar_, ids::IDC_STATIC_BUSY));
}

bool CMainFrame::activePageLoading() const {
  CvarnokView* view = activeView();
  return view && view->isLoading();
}

void CMainFrame::onCurrentPageStateChanged() {
  if (shortcuts_) shortcuts_->refresh();
}

void CMainFrame::onPageWindowActivated(QMdiSubWindow* window) {
  onCurrentPageStateChanged();
  followCurrentPage();
  auto* page = qobject_cast<CChildFrame*>(window);
  if (page && page->view()->isLoading()) startBusy();
}

void CMainFrame::handleCommand(int controlId) {
  switch (controlId) {
    case ids::IDC_BUTTON_GO: goToTypedAddress(); return;
    case ids::IDC_BUTTON_HOME: goHome(); return;
    case ids::IDC_BUTTON_NAVIGATION: goToPortalNavigation(); return;
    case ids::IDC_BUTTON_FAVORITES: openFavoritesPage(); return;
    case ids::IDC_BUTTON_OTHER: openOtherFunctionsPage(); return;
    case ids::IDC_BUTTON_BROWSER: toggleAddressBar(); return;
    default:
      // Page commands go to the current page; without one they have no taker.
      if (CvarnokView* view = activeView()) view->handleCommand(controlId);
  }
}

void CMainFrame::onAddressChosen(int index) { navigate(addressBar_->addressAt(index), false); }

void CMainFrame::goToTypedAddress() {
  const std::string typed = addressBar_->addressText();
  openNewPageWindow();
  const std::string address = TrimGbkBlanks(typed);
  if (!address.empty()) navigate(address, true);
}

void CMainFrame::navigateTypedAddressHere() {
  const std::string address = TrimGbkBlanks(addressBar_->addressText());
  if (!address.empty()) navigate(address, true);
}

void CMainFrame::goHome() {
  const std::string address = TrimGbkBlanks(state_.HomeUrl());
  if (!address.empty()) navigate(address, true);
}

void CMainFrame::goToPortalNavigation() {
  const std::string address = TrimGbkBlanks(state_.PortalNavigationUrl());
  if (!address.empty()) navigate(address, true);
}

void CMainFrame::openFavoritesPage() {
  const std::string path = state_.FavoritesPagePath();
  if (!state_.WriteFavoritesPage()) tellPageNotWritten(path);
  openNewPageWindow()->navigateToFile(path);
}

void CMainFrame::openOtherFunctionsPage() {
  const std::string path = state_.MenuPagePath();
  if (!state_.WriteMenuPage()) tellPageNotWritten(path);
  openNewPageWindow()->navigateToFile(path);
}

void CMainFrame::tellPageNotWritten(const std::string& path) {
  tellStatus(QStringLiteral("无法写入 %1：数据目录不可写，本页无法显示最新内容").arg(QFile::decodeName(path.c_str())));
}

void CMainFrame::toggleAddressBar() { addressBarHost_->setVisible(!addressBarHost_->isVisible()); }

void CMainFrame::focusAddressBox() {
  QComboBox* box = addressBar_->addressBox();
  box->setFocus(Qt::ShortcutFocusReason);
  box->lineEdit()->selectAll();
}

bool CMainFrame::focusCurrentPage() {
  CvarnokView* view = activeView();
  if (!view) return false;
  // As a Tab key does it: the engine then moves on to the page's first focusable element.
  view->setFocus(Qt::TabFocusReason);
  return true;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  const bool inAddressBox = watched == addressBar_->addressBox() || watched == addressBar_->addressBox()->lineEdit();
  if (inAddressBox && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::ShortcutOverride) {
      // Keeps application shortcuts from taking these keys away from the box.
      const bool ours = key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste) ||
                        key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
      if (ours) event->accept();
      return false;
    }
    if (handleAddressBoxKey(key)) return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::handleAddressBoxKey(QKeyEvent* key) {
  QLineEdit* edit = addressBar_->addressBox()->lineEdit();
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    navigateTypedAddressHere();
    return true;
  }
  // Tab leads from the box into the page being worked on, not into whichever page
  // window happens to come first in the focus chain.
  if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) return focusCurrentPage();
  if (key->matches(QKeySequence::Copy)) {
    edit->copy();
    return true;
  }
  if (key->matches(QKeySequence::Paste)) {
    edit->paste();
    return true;
  }
  return false;
}

void CMainFrame::openExternalAddresses(const std::vector<std::string>& addresses) {
  for (const std::string& address : addresses) {
    // Judged by what the page would really load: no script ever comes in this way.
    if (!HomeAddress::IsWebScheme(gbk_boundary::UrlFromGbk(address).scheme().toStdString())) continue;
    openNewPageWindow();
    navigate(address, true);
  }
  bringToFront();
}

void CMainFrame::bringToFront() {
  if (isMinimized()) setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}

void CMainFrame::tellStatus(const QString& text) { statusBar()->showMessage(text); }

void CMainFrame::tellUnwritableStateDirectory(const QString& directory) {
  showWarning(QStringLiteral("数据目录不可写"),
              QStringLiteral("保存数据的目录 %1 不可写。\n\n"
                             "可以继续浏览网页，但本次运行中对收藏夹、浏览历史和主页的更改都不会被保存，"
                             "收藏夹和其他功能等本地页面也无法显示。\n"
                             "请确认这个目录属于您的帐户并且可写。")
                  .arg(directory));
}

void CMainFrame::tellStateFileUnreadable(const QString& path) {
  showWarning(QStringLiteral("无法读取收藏夹和浏览历史"),
              QStringLiteral("无法读取保存收藏夹、浏览历史和主页的文件 %1。\n\n"
                             "该文件保持原样，不会被覆盖。本次运行使用默认设置，"
                             "对收藏夹、浏览历史和主页的更改都不会被保存。\n"
                             "请检查该文件的权限，然后重新启动 varnok。")
                  .arg(path));
}

void CMainFrame::tellHandoffUnavailable(const QString& reason) {
  showWarning(QStringLiteral("无法接收其他程序交来的网址"),
              QStringLiteral("之后再启动的 varnok（例如从其他程序打开网址时）无法把网址交给本程序：%1\n\n"
                             "这些网址不会在这里打开。")
                  .arg(reason));
}

void CMainFrame::showWarning(const QString& title, const QString& text) {
  // Opened, not run: the home page loads behind it and nothing waits for the answer.
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::NoButton, this);
  box->addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}
