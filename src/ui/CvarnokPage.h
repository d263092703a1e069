#pragma once
#include <QWebEnginePage>
#include <functional>

class CvarnokView;

// The engine page behind a page view. A page that wants a new window (a link with a
// new-window target, a script's window.open) gets a fresh page window of the frame,
// and the engine loads the target there. A page's "leave this page?" warning is asked
// in Chinese, leaving being the choice that needs a deliberate click.
class CvarnokPage : public QWebEnginePage {
  Q_OBJECT

 public:
  using WindowOpener = std::function<CvarnokView*()>;
  CvarnokPage(QWebEngineProfile* profile, WindowOpener openPageWindow, QObject* parent);

  // True while the leave warning is on screen.
  bool askingToLeave() const { return askingToLeave_; }

 signals:
  // The person chose to stay on a page that warned before being left.
  void leaveRefused();

 protected:
  QWebEnginePage* createWindow(WebWindowType type) override;
  bool javaScriptConfirm(const QUrl& securityOrigin, const QString& message) override;

 private:
  bool askToLeave();

  WindowOpener openPageWindow_;
  bool askingToLeave_ = false;
};
