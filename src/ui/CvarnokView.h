#pragma once
#include <QTimer>
#include <QWebEngineView>
#include <string>

class AppState;
class CertificateErrorPage;
class CrashedPageNotice;
class QWebEngineCertificateError;
class CMainFrame;
class FindBar;
class PageZoom;

// One web page inside a page window. It keeps the captions current while the page
// loads (the main window keeps the main title, the page window shows the page's
// title), starts the busy indicator when loading begins, turns pop-ups into new page
// windows and carries out the page commands of the address bar. It also answers what the
// engine leaves to the program: login prompts, untrusted certificates, a renderer that
// ended, find in page and zoom.
class CvarnokView : public QWebEngineView {
  Q_OBJECT

 public:
  // How long the window's own display (captions, address box, back and forward) waits
  // for more news from the page before it is drawn. A load sends its news in a burst
  // (address committed, title, load finished, a few tens of milliseconds apart), and
  // each change drawn on its own makes the whole window be composed again, competing
  // with the page itself for the processor.
  static constexpr int kFollowDelayMs = 50;
  // A single-shot timer of kFollowDelayMs owned by `owner`, running `follow` once a burst of
  // news has passed.
  template <typename Owner, typename Follow>
  static QTimer* NewFollowTimer(Owner* owner, Follow follow) {
    auto* timer = new QTimer(owner);
    timer->setSingleShot(true);
    timer->setInterval(kFollowDelayMs);
    QObject::connect(timer, &QTimer::timeout, owner, follow);
    return timer;
  }

  CvarnokView(AppState& state, CMainFrame* frame, QWidget* parent = nullptr);
  ~CvarnokView() override;

  // First shown: all page windows are re-tiled, unless the user has maximized one.
  void initialUpdate();

  // Loads a GBK address as typed, or a local file.
  void navigateTo(const std::string& address);
  void navigateToFile(const std::string& path);

  // True from the start of a load until it finishes.
  bool isLoading() const { return loading_; }
  // True while the process that draws the page is gone (until the next load).
  bool rendererGone() const { return rendererGone_; }
  // Made the first time it is wanted, as are the notices over the page: most pages
  // never need them.
  FindBar* findBar();
  PageZoom* zoom() const { return zoom_; }
  // The page's address as GBK; empty while the view shows nothing.
  std::string locationUrl() const;

  // The address bar's page commands (back, forward, refresh, add favorite, tile,
  // close page, save). False for an id that is not a page command.
  bool handleCommand(int controlId);

  void addToFavorites();
  void tileAll();
  void closePage();
  void saveAs();
  void printPage();
  // Where the save dialog starts: the download directory (made when missing), else home.
  static QString DownloadDirectory();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void connectEngineEvents();
  void onLoadStarted();
  void onLoadFinished();
  void scheduleCaptions();
  void refreshCaptions();
  void onCertificateError(const QWebEngineCertificateError& error);
  void onRendererEnded(QWebEnginePage::RenderProcessTerminationStatus status);

  AppState& state_;
  CMainFrame* frame_;
  FindBar* findBar_ = nullptr;
  PageZoom* zoom_;
  CertificateErrorPage* certificatePage_ = nullptr;
  CrashedPageNotice* crashedNotice_ = nullptr;
  QTimer* captionTimer_;
  bool loading_ = false;
  bool rendererGone_ = false;
};
