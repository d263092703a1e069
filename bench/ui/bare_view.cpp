// The smallest Qt WebEngine browser we can write: one maximized window with one page
// view, loading the URL given as the only argument. The start-up benchmark measures it
// side by side with varnok to see what the shell adds on top of the engine. Like varnok
// it keeps a persistent profile (cookies, storage, disk cache under the XDG data and
// cache directories), so the comparison is not moved by what the profile costs.
#include <unistd.h>

#include <QApplication>
#include <QStandardPaths>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s URL\n", argv[0]);
    return 2;
  }
  // The engine refuses to run its sandbox as root; varnok turns it off the same way.
  if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/bare-view";
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/bare-view";
  auto* profile = new QWebEngineProfile(QStringLiteral("bare-view"));
  profile->setPersistentStoragePath(data);
  profile->setCachePath(cache);
  int status = 0;
  {
    QWebEngineView view(profile);
    view.load(QUrl::fromUserInput(QString::fromLocal8Bit(argv[1])));
    view.showMaximized();
    status = app.exec();
  }
  delete profile;  // after its page, before the application
  return status;
}
