#pragma once
#include <QObject>
#include <QPointer>
#include <QWebEngineFullScreenRequest>

class QMdiSubWindow;
class QShortcut;
class QWebEngineView;

// Full screen for a page that asks for it (a video's full-screen button): the page view
// leaves its page window for a screen of its own, and Esc, or the page itself, brings
// it back.
class FullScreenController : public QObject {
  Q_OBJECT

 public:
  explicit FullScreenController(QObject* parent);
  ~FullScreenController() override;

  // Grants the request of the page shown in `view` and enters or leaves full screen.
  void handle(QWebEngineFullScreenRequest request, QWebEngineView* view);
  // Puts a full-screen view back into its page window (also when the program closes).
  void leave();
  QWebEngineView* fullScreenView() const { return view_; }

 private:
  void enter(QWebEngineView* view);

  QPointer<QWebEngineView> view_;
  QPointer<QMdiSubWindow> home_;
  QPointer<QShortcut> escape_;
};
