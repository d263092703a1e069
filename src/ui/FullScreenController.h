#pragma once
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWebEngineFullScreenRequest>

class QMdiSubWindow;
class QShortcut;
class QWebEngineView;

// Full screen for a page that asks for it (a video's full-screen button): the page view
// leaves its page window for a screen of its own, and Esc, or the page itself, brings
// it back. A page that fills the screen could pose as anything, the program itself
// included, so for the first seconds a notice names the site that took it and the way
// out.
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
  // The notice while it is in sight, or null.
  QLabel* notice() const { return notice_; }

  static constexpr int kNoticeMs = 4000;
  // "<host> 已全屏显示　按 Esc 退出全屏".
  static QString NoticeText(const QString& host);

 private:
  void enter(QWebEngineView* view, const QUrl& origin);
  void showNotice(QWebEngineView* view, const QUrl& origin);

  QPointer<QWebEngineView> view_;
  QPointer<QMdiSubWindow> home_;
  QPointer<QShortcut> escape_;
  QPointer<QLabel> notice_;
};
