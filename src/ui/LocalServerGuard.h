#pragma once
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <functional>

// Refuses, before they leave the engine, the requests that pages of other origins make
// to our own embedded server: a web site shown in a page window can then neither fire
// commands at it (images, fetch, forms), nor probe it, nor load its files into frames.
// Requests from our own pages (the server's pages, the generated page files),
// addresses the person types or picks, and the engine's own loads still go through.
class LocalServerGuard : public QWebEngineUrlRequestInterceptor {
  Q_OBJECT

 public:
  // What the decision looks at in a request.
  struct Request {
    QUrl url;
    QUrl initiator;  // origin of the frame that made the request; empty when none did
    QUrl firstParty;
    bool typed = false;  // the person typed or picked the address
  };

  // `port` gives the port our server listens on at the moment of the call;
  // `pageDirectory`, where the generated pages are written, ends in "/".
  LocalServerGuard(std::function<int()> port, QString pageDirectory, QObject* parent);

  void interceptRequest(QWebEngineUrlRequestInfo& info) override;
  bool Allows(const Request& request) const;
  // Whether `url` leads to a server of ours listening on `port` (any loopback name).
  static bool IsServerAt(const QUrl& url, int port);

 private:
  bool IsOurServer(const QUrl& url) const;
  bool IsOurFile(const QUrl& url) const;

  std::function<int()> port_;
  QString pageDirectory_;
};
