#pragma once
#include <QWebEnginePage>
#include <functional>

class CvarnokView;

// The engine page behind a page view. A page that wants a new window (a link with a
// new-window target, a script's window.open) gets a fresh page window of the frame,
// and the engine loads the target there.
class CvarnokPage : public QWebEnginePage {
  Q_OBJECT

 public:
  using WindowOpener = std::function<CvarnokView*()>;
  CvarnokPage(WindowOpener openPageWindow, QObject* parent);

 protected:
  QWebEnginePage* createWindow(WebWindowType type) override;

 private:
  WindowOpener openPageWindow_;
};
