#include "ui/CClientWnd.h"

#include <QPainter>
#include <QPixmap>

#include "ui/FirstFramePictures.h"
#include "ui/ProgramPictures.h"

CClientWnd::CClientWnd(QWidget* parent) : QMdiArea(parent) { ProgramPictures::Register(); }

QPixmap CClientWnd::BackgroundPicture() {
  // The first paint takes the picture decoded ahead; a later one, evicted from the cache,
  // decodes it again.
  return ProgramPictures::CachedPixmap(QStringLiteral("varnok-background"), [] {
    QImage decoded;
    if (FirstFramePictures* ahead = FirstFramePictures::Current()) decoded = ahead->takeBackground();
    return decoded.isNull() ? ProgramPictures::Background() : decoded;
  });
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
