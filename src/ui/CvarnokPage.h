#pragma once
#include <QWebEnginePage>
#include <functional>

class AppState;
class CvarnokView;

// The engine page behind a page view. A page that wants a new window (a link with a
// new-window target, a script's window.open) gets a fresh page window of the frame,
// and the engine loads the target there. A page's "leave this page?" warning is asked
// in Chinese, leaving being the choice that needs a deliberate click. A link or form of
// our own generated pages that leads to our server is followed by the program itself;
// and only the program opens our generated pages (a page could otherwise open one in a
// window it can name, or frame it).
class CvarnokPage : public QWebEnginePage {
  Q_OBJECT

 public:
  using WindowOpener = std::function<CvarnokView*()>;
  // `state` tells where our generated pages are and which port our server listens on.
  CvarnokPage(QWebEngineProfile* profile, WindowOpener openPageWindow, const AppState& state, QObject* parent);

  // True while the leave warning is on screen.
  bool askingToLeave() const { return askingToLeave_; }

 signals:
  // The person chose to stay on a page that warned before being left.
  void leaveRefused();

 protected:
  QWebEnginePage* createWindow(WebWindowType type) override;
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  bool javaScriptConfirm(const QUrl& securityOrigin, const QString& message) override;

 private:
  bool askToLeave();

  WindowOpener openPageWindow_;
  const AppState& state_;
  bool askingToLeave_ = false;
};
