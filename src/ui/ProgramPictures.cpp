#include "ui/ProgramPictures.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QPixmapCache>

#include "ui/FirstFramePictures.h"

// Resources of a static library must be registered explicitly, from the global namespace.
static void RegisterVarnokResources() { Q_INIT_RESOURCE(varnok); }

void ProgramPictures::Register() {
  static const bool registered = [] {
    RegisterVarnokResources();
    return true;
  }();
  (void)registered;
}

QImage ProgramPictures::ReadPng(const QString& path) {
  Register();
  QImageReader reader(path, "png");
  // Left to guess, the reader would load every image plugin of the system to ask each
  // whether it reads PNG better than Qt's own decoder, on the main thread at start.
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

QPixmap ProgramPictures::CachedPixmap(const QString& key, const std::function<QImage()>& read) {
  QPixmap picture;
  if (QPixmapCache::find(key, &picture)) return picture;
  picture = QPixmap::fromImage(read());
  QPixmapCache::insert(key, picture);
  return picture;
}

QIcon ProgramPictures::ProgramIcon() {
  return QIcon(CachedPixmap(QStringLiteral("varnok-program-icon"),
                            [] { return ReadPng(QStringLiteral(":/varnok/varnok-icon.png")); }));
}

QStringList ProgramPictures::ButtonPictureNames() {
  Register();
  QStringList names;
  for (const QString& file : QDir(QStringLiteral(":/varnok/icons")).entryList({QStringLiteral("*.svg")}, QDir::Files))
    names.append(file.chopped(4));
  return names;
}

QString ProgramPictures::ButtonPicturePath(const QString& name) {
  return QStringLiteral(":/varnok/icons/%1.svg").arg(name);
}

QString ProgramPictures::BackgroundPath() { return QStringLiteral(":/varnok/background.png"); }

QImage ProgramPictures::Background() { return ReadPng(BackgroundPath()); }

QIcon ProgramPictures::ButtonIcon(const QString& name) {
  Register();
  const QString path = ButtonPicturePath(name);
  if (!QFile::exists(path)) return QIcon();
  // Otherwise drawn by Qt's SVG icon engine at the size a button paints, when it first paints.
  QIcon icon(path);
  if (FirstFramePictures* ahead = FirstFramePictures::Current()) {
    QImage picture = ahead->takeIcon(name, kButtonIconPixels);
    // The icon stays scalable: only the size drawn ahead comes from the picture.
    if (!picture.isNull()) icon.addPixmap(QPixmap::fromImage(std::move(picture)));
  }
  return icon;
}
