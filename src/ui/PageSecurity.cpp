#include "ui/PageSecurity.h"

#include <QFile>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <cstdlib>

#include "app/AppState.h"
#include "ui/LocalServerGuard.h"

namespace page_security {
namespace {

int ServerPort(const AppState& state) { return std::atoi(state.Port().c_str()); }

}  // namespace

void Apply(QWebEngineProfile* profile, const AppState& state) {
  QWebEngineSettings* settings = profile->settings();
  // A downloaded page would otherwise read any file of the account, and our pages with
  // the command key in them, and send them out.
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  // Scripts may open windows (window.open), as pages written for the classic control expect.
  settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
  settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
  settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, true);
  // The guard lives as long as the profile it serves.
  profile->setUrlRequestInterceptor(new LocalServerGuard([&state] { return ServerPort(state); }, profile));
}

bool IsOwnFilePage(const AppState& state, const QUrl& url) {
  if (!url.isLocalFile()) return false;
  const std::string path = QFile::encodeName(url.toLocalFile()).toStdString();
  return path == state.FavoritesPagePath() || path == state.MenuPagePath() || path == state.SystemMessagePagePath();
}

bool IsOwnPageCommand(const AppState& state, const QUrl& page, const QUrl& target) {
  return IsOwnFilePage(state, page) && LocalServerGuard::IsServerAt(target, ServerPort(state));
}

}  // namespace page_security
