#pragma once
#include <QObject>
#include <QString>
#include <functional>

class QWebEngineProfile;

// The account's one web profile, shared by every page view and both side pages: cookies,
// local storage, IndexedDB and visited links under $XDG_DATA_HOME/varnok/, the disk cache
// under $XDG_CACHE_HOME/varnok/, so a login outlives the program. The request guard for
// our own server sits on it. It must go after the last page that uses it (the engine
// writes its stores out when it goes), and before the application object.
class BrowserProfile : public QObject {
  Q_OBJECT

 public:
  // `port` gives the port our server listens on at the moment of a request;
  // `pageDirectory`, where the generated pages live, ends in "/".
  BrowserProfile(std::function<int()> port, const QString& pageDirectory, QObject* parent = nullptr);
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
