#include "ui/BrowserProfile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QWebEngineProfile>

#include "app/StateDirectory.h"
#include "ui/PageSecurity.h"

namespace {

const QString kProfileName = QStringLiteral("varnok");

QString UnderXdg(QStandardPaths::StandardLocation location) {
  return QStandardPaths::writableLocation(location) + QStringLiteral("/varnok");
}

}  // namespace

BrowserProfile::BrowserProfile(const AppState& state, QObject* parent)
    : QObject(parent), profile_(new QWebEngineProfile(kProfileName)) {
  profile_->setPersistentStoragePath(StorageDirectory());
  profile_->setCachePath(CacheDirectory());
  profile_->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
  // Cookies a site means to keep (an expiry date) are kept; session cookies end with the run.
  profile_->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
  page_security::Apply(profile_, state);
}

BrowserProfile::~BrowserProfile() {
  // The engine flushes cookies and storage to disk as the profile goes.
  delete profile_;
}

QString BrowserProfile::DataDirectory() {
  QString directory = QFile::decodeName(StateDirectory::AccountDataDirectory().c_str());
  directory.chop(1);  // no trailing "/"
  return directory;
}

QString BrowserProfile::StorageDirectory() { return DataDirectory() + QStringLiteral("/profile"); }

QString BrowserProfile::CacheDirectory() {
  return UnderXdg(QStandardPaths::GenericCacheLocation) + QStringLiteral("/profile");
}
