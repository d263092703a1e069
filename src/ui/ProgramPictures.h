#pragma once
#include <QIcon>
#include <QString>

// The pictures compiled into the program, all drawn for it: its own icon (the main
// window, every page window, the desktop entry) and the icons of the address bar's
// buttons, kept as scalable drawings and rendered at the size a button asks for.
class ProgramPictures {
 public:
  // Makes the compiled-in pictures reachable (once; later calls do nothing).
  static void Register();
  static QIcon ProgramIcon();
  // The icon of a bar button by its picture name ("back", "home", "add-favorite", ...);
  // a null icon for a name that has no picture.
  static QIcon ButtonIcon(const QString& name);
};
