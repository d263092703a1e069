#pragma once
#include <QObject>

class QWebEngineView;
class ZoomIndicator;

// Zoom of one page view in the steps browsers use (25% to 500%): Ctrl+plus, Ctrl+minus
// and Ctrl+0 reach it through the frame's keys, Ctrl+wheel over the page here. Each
// change shows the new level for a moment. The engine keeps the level per site.
class PageZoom : public QObject {
  Q_OBJECT

 public:
  explicit PageZoom(QWebEngineView* view);

  void zoomIn();
  void zoomOut();
  void reset();
  // The step after (or before) `factor`, within the limits.
  static double StepFrom(double factor, int direction);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setFactor(double factor);

  QWebEngineView* view_;
  ZoomIndicator* indicator_ = nullptr;  // made with the first change
};
