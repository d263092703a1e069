#pragma once
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small HTTP/1.0 product site on 127.0.0.1 for the update tests. Each path answers
// with its list of replies in turn, the last one repeating; unknown paths get a 404
// error page. A silent site accepts connections and never answers.
class TestSite {
 public:
  struct Reply {
    std::string body;
    int status = 200;
  };

  TestSite();
  ~TestSite();
  TestSite(const TestSite&) = delete;
  TestSite& operator=(const TestSite&) = delete;

  // "http://127.0.0.1:PORT/"
  std::string Url() const;
  void Serve(const std::string& path, std::vector<Reply> replies);
  void Serve(const std::string& path, const std::string& body) { Serve(path, {Reply{body}}); }
  void SetSilent(bool silent) { silent_ = silent; }

  int RequestCount(const std::string& path) const;
  std::string LastUserAgent() const;

 private:
  void Loop();
  void Answer(int fd);
  Reply ReplyFor(const std::string& path);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> silent_{false};
  mutable std::mutex lock_;
  std::map<std::string, std::vector<Reply>> replies_;
  std::map<std::string, int> requests_;
  std::string lastUserAgent_;
  std::vector<int> heldOpen_;
  std::thread thread_;
};
