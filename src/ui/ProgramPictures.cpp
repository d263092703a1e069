#include "ui/ProgramPictures.h"

#include <QFile>

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
  const QString path = QStringLiteral(":/varnok/icons/%1.svg").arg(name);
  // Drawn by Qt's SVG icon engine at the size a button paints, when it first paints:
  // nothing is rendered while the window is built.
  return QFile::exists(path) ? QIcon(path) : QIcon();
}
