#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// A web site on 127.0.0.1 (a port of its own) that serves the pages a test gives it and
// records every request it receives, so a test sees what the browser really asked for.
// Answers are never cached (no-store), so back, forward and refresh reach the site.
// Unknown paths get a small page whose title is the path.
class TestSite {
 public:
  struct Request {
    std::string method, target, path, query;  // target = path + "?" + query
    std::string head;                          // the whole request head
    bool abandoned = false;                    // a held request that the client gave up
  };

  TestSite();
  ~TestSite();
  TestSite(const TestSite&) = delete;
  TestSite& operator=(const TestSite&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const;

  void Page(const std::string& path, const std::string& html,
            const std::string& contentType = "text/html; charset=utf-8");
  // `bytes` served as a file to save: Content-Disposition attachment with `fileName`.
  // With `bytesPerStep` the body goes out that many bytes at a time, `pause` apart, so
  // the download takes a while.
  void Download(const std::string& path, const std::string& bytes, const std::string& fileName,
                size_t bytesPerStep = 0, std::chrono::milliseconds pause = std::chrono::milliseconds(0));
  // Requests for `path` get no answer: the connection stays open until the client closes
  // it (then the request is marked abandoned) or the site goes.
  void Hold(const std::string& path);
  // Requests for `path` without Basic credentials equal to "user:password" are answered
  // 401 with a challenge for `realm`; with them, the page as usual.
  void Protect(const std::string& path, const std::string& realm, const std::string& userColonPassword);

  std::vector<Request> Requests() const;
  // Requests whose path (query left out) equals `path`.
  std::vector<Request> RequestsFor(const std::string& path) const;
  int Count(const std::string& path) const { return static_cast<int>(RequestsFor(path).size()); }
  // Waits until `count` requests for `path` have arrived.
  bool WaitForRequests(const std::string& path, int count = 1,
                       std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
  // Waits until a held request for `path` has been given up by the client.
  bool WaitForAbandoned(const std::string& path, std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;

 private:
  void AcceptLoop();
  void Serve(int client);
  void Answer(int client, const Request& request);
  void SendPaced(int client, const std::string& bytes, size_t bytesPerStep, std::chrono::milliseconds pause);
  void WaitForClientToLeave(int client, size_t requestIndex);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex lock_;
  struct Resource {
    std::string type, body, extraHeaders;
    size_t bytesPerStep = 0;
    std::chrono::milliseconds pause{0};
  };
  std::map<std::string, Resource> pages_;
  std::set<std::string> held_;
  std::map<std::string, std::pair<std::string, std::string>> protected_;  // realm, Authorization value
  std::vector<Request> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};
