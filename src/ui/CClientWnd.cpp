#include "ui/CClientWnd.h"

#include <QPainter>
#include <QPixmap>

// Resources of a static library must be registered explicitly, from the global namespace.
static void RegisterVarnokResources() { Q_INIT_RESOURCE(varnok); }

CClientWnd::CClientWnd(QWidget* parent) : QMdiArea(parent) { RegisterVarnokResources(); }

QPixmap CClientWnd::BackgroundPicture() { return QPixmap(QStringLiteral(":/varnok/background.png")); }

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
