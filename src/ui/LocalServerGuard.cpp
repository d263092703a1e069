#include "ui/LocalServerGuard.h"

#include <QWebEngineUrlRequestInfo>
#include <cstdio>
#include <cstdlib>

LocalServerGuard::LocalServerGuard(std::function<int()> port, QString pageDirectory, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent), port_(std::move(port)), pageDirectory_(std::move(pageDirectory)) {}

bool LocalServerGuard::IsServerAt(const QUrl& url, int port) {
  // A WebSocket handshake is an ordinary GET to the server, and no CORS rule stops it.
  const QString host = url.host().toLower();
  const bool plain = url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("ws");
  return plain && url.port(80) == port &&
         (host == QLatin1String("localhost") || host == QLatin1String("127.0.0.1") || host == QLatin1String("::1"));
}

bool LocalServerGuard::IsOurServer(const QUrl& url) const { return IsServerAt(url, port_()); }

bool LocalServerGuard::IsOurFile(const QUrl& url) const {
  return url.isLocalFile() && url.toLocalFile().startsWith(pageDirectory_) &&
         !url.toLocalFile().contains(QLatin1String("/../"));
}

bool LocalServerGuard::Allows(const Request& request) const {
  if (!IsOurServer(request.url)) return true;
  if (request.typed || request.initiator.isEmpty()) return true;
  if (IsOurServer(request.initiator)) return true;
  // A file page's origin names no directory; the page that holds the frame does.
  if (request.initiator.scheme() == QLatin1String("file"))
    return IsOurFile(request.firstParty) || request.firstParty == request.url;
  return false;
}

void LocalServerGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
  const Request request{info.requestUrl(), info.initiator(), info.firstPartyUrl(),
                        info.navigationType() == QWebEngineUrlRequestInfo::NavigationTypeTyped};
  const bool allowed = Allows(request);
  if (std::getenv("VARNOK_VERBOSE"))
    std::fprintf(stderr, "request guard: %s %s from [%s] first party [%s] type %d\n", allowed ? "allows" : "refuses",
                 qPrintable(request.url.toString()), qPrintable(request.initiator.toString()),
                 qPrintable(request.firstParty.toString()), static_cast<int>(info.navigationType()));
  if (!allowed) info.block(true);
}
