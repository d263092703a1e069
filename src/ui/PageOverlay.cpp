#include "ui/PageOverlay.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOption>

PageOverlay::PageOverlay(QWidget* view) : QWidget(view) {
  // Drawn from the style sheet's background, so the page never shows through.
  setAttribute(Qt::WA_StyledBackground);
  hide();
  view->installEventFilter(this);
}

void PageOverlay::showOverPage() {
  setGeometry(placeIn(parentWidget()->size()));
  show();
  raise();
}

bool PageOverlay::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(placeIn(parentWidget()->size()));
  // The engine's own drawing surface is a child of the view too and may come later.
  if (watched == parentWidget() && event->type() == QEvent::ChildAdded && isVisible()) raise();
  return QWidget::eventFilter(watched, event);
}

void PageOverlay::paintEvent(QPaintEvent*) {
  QStyleOption option;
  option.initFrom(this);
  QPainter painter(this);
  style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
