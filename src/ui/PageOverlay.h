#pragma once
#include <QWidget>

// A widget laid over a page view (a notice that covers the page, the find bar, the zoom
// level): it follows the view's size and stays above the page. What it shows is told
// in `report()`, one line for tools that read the window.
class PageOverlay : public QWidget {
  Q_OBJECT

 public:
  explicit PageOverlay(QWidget* view);

  // Shows the overlay above the page, placed for the view's size.
  void showOverPage();
  virtual QString report() const { return QString(); }

 protected:
  // Where the overlay goes in a view of `size`.
  virtual QRect placeIn(const QSize& size) const = 0;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};
