#pragma once
#include "ui/PageOverlay.h"

class QLabel;
class QTimer;

// The page's zoom level ("125%"), shown at the top of the page for a moment after each
// change.
class ZoomIndicator : public PageOverlay {
  Q_OBJECT

 public:
  explicit ZoomIndicator(QWidget* view);

  void showLevel(double factor);
  QString report() const override;

 protected:
  QRect placeIn(const QSize& size) const override;

 private:
  QLabel* level_;
  QTimer* hideTimer_;
};
