#include "ui/ProgramPictures.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// Resources of a static library must be registered explicitly, from the global namespace.
static void RegisterVarnokResources() { Q_INIT_RESOURCE(varnok); }

void ProgramPictures::Register() {
  static const bool registered = [] {
    RegisterVarnokResources();
    return true;
  }();
  (void)registered;
}

QIcon ProgramPictures::ProgramIcon() {
  Register();
  return QIcon(QStringLiteral(":/varnok/varnok-icon.png"));
}

QIcon ProgramPictures::ButtonIcon(const QString& name) {
  Register();
  QSvgRenderer drawing(QStringLiteral(":/varnok/icons/%1.svg").arg(name));
  if (!drawing.isValid()) return QIcon();
  QIcon icon;
  for (int size : {16, 20, 24, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawing.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}
