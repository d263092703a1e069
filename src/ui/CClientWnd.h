#pragma once
#include <QMdiArea>

// The main frame's page area: holds the page windows and paints the background picture
// stretched over the whole area behind them.
class CClientWnd : public QMdiArea {
  Q_OBJECT

 public:
  explicit CClientWnd(QWidget* parent = nullptr);

  // The picture as compiled into the program, kept in the pixmap cache between paints.
  static QPixmap BackgroundPicture();

 signals:
  // The area changed size (the main window was resized, maximized or restored).
  void resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
};
