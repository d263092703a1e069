#pragma once
#include <QObject>
#include <QString>

class AppState;
class QWebEngineProfile;

// The account's one web profile, shared by every page view and both side pages: cookies,
// local storage, IndexedDB and visited links under $XDG_DATA_HOME/varnok/, the disk cache
// under $XDG_CACHE_HOME/varnok/, so a login outlives the program. What its pages may do
// and the request guard for our own server are page_security's. It must go after the last page that uses it (the engine
// writes its stores out when it goes), and before the application object.
class BrowserProfile : public QObject {
  Q_OBJECT

 public:
  // `state` gives our server's port and our own pages.
  explicit BrowserProfile(const AppState& state, QObject* parent = nullptr);
  ~BrowserProfile() override;

  QWebEngineProfile* profile() const { return profile_; }
  // $XDG_DATA_HOME/varnok: the account's data of the browser.
  static QString DataDirectory();
  // Where the stores and the cache of the profile live.
  static QString StorageDirectory();
  static QString CacheDirectory();

 private:
  QWebEngineProfile* profile_;
};
