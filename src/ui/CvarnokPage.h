#pragma once
#include <QWebEnginePage>
#include <functional>

class CvarnokView;

// The engine page behind a page view. A page that wants a new window (a link with a
// new-window target, a script's window.open) gets a fresh page window of the frame,
// and the engine loads the target there. A link or form of our own generated pages that
// leads to our server is followed by the program itself; and only the program opens our
// generated pages (a page could otherwise open one in a window it can name, or frame it).
class CvarnokPage : public QWebEnginePage {
  Q_OBJECT

 public:
  using WindowOpener = std::function<CvarnokView*()>;
  // What the page needs to know of our own generated pages.
  struct OwnPages {
    std::function<bool(const QUrl& url)> isOwnFilePage;
    // Whether the navigation from the document at `page` to `target` is one of their commands.
    std::function<bool(const QUrl& page, const QUrl& target)> isCommand;
  };
  CvarnokPage(WindowOpener openPageWindow, OwnPages ownPages, QObject* parent);

 protected:
  QWebEnginePage* createWindow(WebWindowType type) override;
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

 private:
  WindowOpener openPageWindow_;
  OwnPages ownPages_;
};
