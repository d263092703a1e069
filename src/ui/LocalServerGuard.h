#pragma once
#include <QSet>
#include <QUrl>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <functional>

// Refuses, before they leave the engine, the requests to our own embedded server that
// the program did not start itself and that none of our own pages made: a web site, a
// file the person downloaded and opened, or a frame without an origin (sandboxed,
// data:, srcdoc: the engine names no initiator for them) can then neither fire
// commands at the server (images, fetch, forms, windows, top navigation), nor probe
// it, nor load its files into frames.
//
// What reaches the server: the navigations the program starts (typed or picked
// addresses, the bar's buttons, addresses from the command line or a later launch, the
// side pages, the links and form of the generated pages opened as files, which the
// program follows itself), going back, forward or reloading to an address of the server
// let through before, and the requests of the pages the server sends under its own
// origin (every other file it sends is sandboxed, an origin of its own).
class LocalServerGuard : public QWebEngineUrlRequestInterceptor {
  Q_OBJECT

 public:
  // What the decision looks at in a request.
  struct Request {
    QUrl url;
    QUrl initiator;   // origin of the frame that made the request; empty when the engine names none
    QWebEngineUrlRequestInfo::NavigationType navigation = QWebEngineUrlRequestInfo::NavigationTypeOther;
    bool mainFrame = false;
  };

  // `port` gives the port our server listens on at the moment of the call.
  LocalServerGuard(std::function<int()> port, QObject* parent);

  void interceptRequest(QWebEngineUrlRequestInfo& info) override;
  // Decides, and remembers the main-frame addresses of our server it lets through.
  bool Allows(const Request& request);
  // Whether `url` leads to a server of ours listening on `port` (any loopback name).
  static bool IsServerAt(const QUrl& url, int port);

 private:
  bool IsOurServer(const QUrl& url) const;
  bool RevisitsAdmitted(const Request& request) const;
  void RememberAdmitted(const QUrl& url);

  std::function<int()> port_;
  QSet<QUrl> admitted_;
};
