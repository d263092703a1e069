#pragma once
#include <QIcon>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

// The pictures compiled into the program, all drawn for it: its own icon (the main
// window, every page window, the desktop entry) and the icons of the address bar's
// buttons, kept as scalable drawings and rendered at the size a button asks for.
class ProgramPictures {
 public:
  // Makes the compiled-in pictures reachable (once; later calls do nothing).
  static void Register();
  static QIcon ProgramIcon();
  // The icon of a bar button by its picture name ("back", "home", "add-favorite", ...);
  // a null icon for a name that has no picture. Takes the picture rendered ahead by the
  // current FirstFramePictures when there is one.
  static QIcon ButtonIcon(const QString& name);
  // Every picture name of the bar buttons, and where its drawing is.
  static QStringList ButtonPictureNames();
  static QString ButtonPicturePath(const QString& name);
  // The page area's background picture, and where it is.
  static QImage Background();
  static QString BackgroundPath();
  // The picture kept in Qt's pixmap cache under `key`, made from what `read` gives when the
  // cache does not hold it (the first time, or after it was evicted).
  static QPixmap CachedPixmap(const QString& key, const std::function<QImage()>& read);
  // The size in logical pixels at which the bars draw the button icons.
  static constexpr int kButtonIconPixels = 18;

 private:
  static QImage ReadPng(const QString& path);
};
