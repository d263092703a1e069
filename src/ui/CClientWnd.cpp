#include "ui/CClientWnd.h"

#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

#include "ui/FirstFramePictures.h"
#include "ui/ProgramPictures.h"

CClientWnd::CClientWnd(QWidget* parent) : QMdiArea(parent) { ProgramPictures::Register(); }

QPixmap CClientWnd::BackgroundPicture() {
  static const QString key = QStringLiteral("varnok-background");
  QPixmap picture;
  if (QPixmapCache::find(key, &picture)) return picture;
  ProgramPictures::Register();
  // The first paint takes the picture decoded ahead; a later one, evicted from the cache,
  // decodes it again.
  QImage decoded;
  if (FirstFramePictures* ahead = FirstFramePictures::Current()) decoded = ahead->takeBackground();
  if (decoded.isNull()) decoded = ProgramPictures::Background();
  picture = QPixmap::fromImage(std::move(decoded));
  QPixmapCache::insert(key, picture);
  return picture;
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
