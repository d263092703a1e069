#pragma once

class QCoreApplication;

// The program speaks Chinese throughout, whatever the session's language: Qt's own
// dialogs and buttons (file, print, message boxes) and the web engine's pages and menus
// (error pages, the page context menu) as well as our own texts.
namespace chinese_interface {

// Before the application object exists: the default locale the engine takes its
// language from when it starts.
void SelectLocale();
// Once the application object exists: Qt's Chinese translations of its own texts and of
// the engine's, from the system's translation directory. Returns how many were found.
int InstallTranslations(QCoreApplication& application);

}  // namespace chinese_interface
