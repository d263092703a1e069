#include "ui/CClientWnd.h"

#include <QPainter>
#include <QPixmap>

#include "ui/ProgramPictures.h"

CClientWnd::CClientWnd(QWidget* parent) : QMdiArea(parent) { ProgramPictures::Register(); }

QPixmap CClientWnd::BackgroundPicture() {
  ProgramPictures::Register();
  return QPixmap(QStringLiteral(":/varnok/background.png"));
}

void CClientWnd::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.drawPixmap(viewport()->rect(), BackgroundPicture());
}

void CClientWnd::resizeEvent(QResizeEvent* event) {
  QMdiArea::resizeEvent(event);
  // A stretched picture changes everywhere when the area changes size.
  viewport()->update();
  emit resized();
}
