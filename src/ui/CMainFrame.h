#pragma once
#include <QMainWindow>
#include <string>
#include <vector>

class AppState;
class CBrowserDialogbar;
class CBusyStatic;
class CButtonDialogBar;
class CChildFrame;
class CClientWnd;
class CPathDialogBar;
class CSystemDialogBar;
class CvarnokView;
class DownloadRequestHandler;
class FrameShortcuts;
class FullScreenController;
class ProgramExit;
class QWebEngineProfile;
class QMdiSubWindow;
class SitePermissions;
class QTimer;
class QToolBar;
class QWebEngineView;

// The browser's single top-level window: the page area with its page windows, the
// address bar above it, and the navigation logic behind the address box and the
// frame's buttons. Its caption is the main title at all times; it has no menu bar.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // Every page view shows through `profile` (the default profile when null).
  explicit CMainFrame(AppState& state, QWebEngineProfile* profile = nullptr, QWidget* parent = nullptr);

  QWebEngineProfile* profile() const { return profile_; }

  // Opens the address in the current page window (a new one when there is none) and
  // records it in the history; with `addToAddressBox` an address not yet in the box
  // is inserted at the top and selected.
  void navigate(const std::string& address, bool addToAddressBox);
  // Shows `address` in the address box, selecting its entry when there is one; an
  // address not in the list is shown without being added.
  void showAddress(const std::string& address);
  // A new, empty page window, which becomes the current one; returns its view.
  CvarnokView* openNewPageWindow();
  // The view of the current page window, or null.
  CvarnokView* activeView() const;
  QList<CChildFrame*> pageWindows() const;

  // Page windows stacked as full-width rows (a grid when there are many).
  void tilePageWindows();
  // Starts the busy indicator of the address bar, when there is one.
  void startBusy();
  // The address bar's busy indicator (control 1047), or null.
  CBusyStatic* busyIndicator() const;
  bool activePageLoading() const;
  void resetMainTitle();
  bool started() const { return started_; }
  bool firstPageRequested() const { return firstPageRequested_; }
  // Needs the first page window.
  void requestFirstPageEarly();

  // The frame's own commands (go, home, favorites, portal navigation, other functions)
  // and, through the current view, the page commands.
  void handleCommand(int controlId);
  void goToTypedAddress();
  void goHome();
  void goToPortalNavigation();
  void openFavoritesPage();
  void openOtherFunctionsPage();
  // Enter in the address box.
  void navigateTypedAddressHere();
  // Shows or hides the address bar.
  void toggleAddressBar();
  // Puts the keyboard focus into the address box with its whole text selected.
  void focusAddressBox();
  // The current page started or stopped loading, or another page became current.
  void onCurrentPageStateChanged();

  // Addresses from outside (GBK, the command line of this or a later launch): each
  // opens in a new page window, as the go button opens a typed one; anything that would
  // not load as a web or file address is left out. Then the window comes to the front.
  void openExternalAddresses(const std::vector<std::string>& addresses);
  void bringToFront();
  // One line in the status bar at the bottom of the main window, until the next one.
  void tellStatus(const QString& text);
  // The message boxes that say nothing of this run will be kept: the state directory
  // cannot be written, or varnok.ini (at `path`) cannot be read and is left alone.
  void tellUnwritableStateDirectory(const QString& directory);
  void tellStateFileUnreadable(const QString& path);
  // The message box that says later launches cannot hand their addresses over.
  void tellHandoffUnavailable(const QString& reason);

  DownloadRequestHandler* downloads() const { return downloads_; }
  SitePermissions* permissions() const { return permissions_; }
  FullScreenController* fullScreen() const { return fullScreen_; }

  // Notices from other threads, delivered as queued calls. A system-message notice
  // refreshes the message page while its side bar is in sight; one that comes while the
  // bar is hidden is kept for the moment the bar is shown.
  void onSystemMessagesChanged();
  void onStartup();

  CBrowserDialogbar* addressBar() const { return addressBar_; }
  CClientWnd* clientArea() const { return clientWnd_; }
  // The side page that shows the system messages (hidden with its side bar).
  QWebEngineView* systemMessagePage() const;
  CPathDialogBar* pathBar() const { return pathBar_; }
  CButtonDialogBar* buttonBar() const { return buttonBar_; }
  CSystemDialogBar* systemBar() const { return systemBar_; }
  QToolBar* systemBarHost() const { return systemBarHost_; }
  QToolBar* addressBarHost() const { return addressBarHost_; }

 signals:
  // The main window was closed (close box, exit request or shutdown signal).
  void closed();
  // A page window opened, closed or committed a navigation.
  void pagesChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  QMenu* createPopupMenu() override { return nullptr; }

 private:
  void requestFirstPage();
  void drawThroughOpenGlFromTheStart();
  void createBars();
  void createHiddenBars();
  void createAddressBar();
  void layoutBars();
  QToolBar* addBarHost(QWidget* bar, Qt::ToolBarArea area);
  void onPageWindowActivated(QMdiSubWindow* window);
  void onAddressChosen(int index);
  bool handleAddressBoxKey(QKeyEvent* key);
  // The side bar came into sight: its pages are requested the first time, and the
  // message page is reloaded when notices came while it was out of sight.
  void onSideBarShown(bool visible);
  void tellPageNotWritten(const std::string& path);
  // A warning box over the main window that waits for nothing.
  void showWarning(const QString& title, const QString& text);
  // Tiles the page windows again unless the user has maximized one (new windows then
  // open maximized and the maximized one fills the area by itself).
  void retileUnlessMaximized();
  bool focusCurrentPage();
  // The address box and the back and forward buttons follow the current page.
  void followCurrentPage();
  void onPageAddressCommitted(CvarnokView* view);

  AppState& state_;
  CClientWnd* clientWnd_;
  QToolBar* pathBarHost_ = nullptr;
  CPathDialogBar* pathBar_ = nullptr;
  QToolBar* buttonBarHost_ = nullptr;
  CButtonDialogBar* buttonBar_ = nullptr;
  QToolBar* systemBarHost_ = nullptr;
  CSystemDialogBar* systemBar_ = nullptr;
  QToolBar* addressBarHost_ = nullptr;
  CBrowserDialogbar* addressBar_ = nullptr;
  FrameShortcuts* shortcuts_ = nullptr;
  bool started_ = false;
  bool firstPageRequested_ = false;
  bool sideMessagesStale_ = false;
  QWebEngineProfile* profile_;
  DownloadRequestHandler* downloads_;
  SitePermissions* permissions_;
  FullScreenController* fullScreen_;
  ProgramExit* exit_;
  // The address box and the history buttons follow the current page's news together,
  // CvarnokView::kFollowDelayMs after the first of a burst.
  QTimer* followTimer_;
};
