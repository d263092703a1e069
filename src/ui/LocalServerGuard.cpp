#include "ui/LocalServerGuard.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Enough for every page of our server a person visits in a long run.
constexpr qsizetype kMaxAdmitted = 4096;

QUrl WithoutFragment(const QUrl& url) { return url.adjusted(QUrl::RemoveFragment); }

}  // namespace

LocalServerGuard::LocalServerGuard(std::function<int()> port, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent), port_(std::move(port)) {}

bool LocalServerGuard::IsServerAt(const QUrl& url, int port) {
  // A WebSocket handshake is an ordinary GET to the server, and no CORS rule stops it.
  const QString host = url.host().toLower();
  const bool plain = url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("ws");
  return plain && url.port(80) == port &&
         (host == QLatin1String("localhost") || host == QLatin1String("127.0.0.1") || host == QLatin1String("::1"));
}

bool LocalServerGuard::IsOurServer(const QUrl& url) const { return IsServerAt(url, port_()); }

bool LocalServerGuard::RevisitsAdmitted(const Request& request) const {
  // A page may go back to an entry whose load was refused; only the person's own earlier
  // visits are returned to.
  const bool revisit = request.navigation == QWebEngineUrlRequestInfo::NavigationTypeBackForward ||
                       request.navigation == QWebEngineUrlRequestInfo::NavigationTypeReload;
  return revisit && request.mainFrame && admitted_.contains(WithoutFragment(request.url));
}

void LocalServerGuard::RememberAdmitted(const QUrl& url) {
  if (admitted_.size() >= kMaxAdmitted) admitted_.clear();
  admitted_.insert(WithoutFragment(url));
}

bool LocalServerGuard::Allows(const Request& request) {
  if (!IsOurServer(request.url)) return true;
  const bool startedByProgram = request.navigation == QWebEngineUrlRequestInfo::NavigationTypeTyped;
  const bool allowed = startedByProgram || IsOurServer(request.initiator) || RevisitsAdmitted(request);
  if (allowed && request.mainFrame) RememberAdmitted(request.url);
  return allowed;
}

void LocalServerGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
  const Request request{info.requestUrl(), info.initiator(), info.navigationType(),
                        info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame};
  const bool allowed = Allows(request);
  if (std::getenv("VARNOK_VERBOSE"))
    std::fprintf(stderr, "request guard: %s %s from [%s] first party [%s] navigation %d resource %d\n",
                 allowed ? "allows" : "refuses", qPrintable(request.url.toString()),
                 qPrintable(request.initiator.toString()), qPrintable(info.firstPartyUrl().toString()),
                 static_cast<int>(info.navigationType()), static_cast<int>(info.resourceType()));
  if (!allowed) info.block(true);
}
