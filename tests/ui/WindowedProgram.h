#pragma once
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "support/ChildProcess.h"
#include "support/ProgramPort.h"
#include "support/TempDir.h"

// A small web site on 127.0.0.1 for the built program's page views: answers every
// request through `respond` (the request's path in, the whole HTTP answer out; by
// default one small page) and remembers the request lines.
class PageListener {
 public:
  using Responder = std::function<std::string(const std::string& path)>;
  explicit PageListener(Responder respond = nullptr);
  ~PageListener();
  int port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  bool Requested(const std::string& path);
  std::string Requests();

  static std::string HtmlAnswer(const std::string& body);

 private:
  void Serve();

  Responder respond_;
  int fd_ = -1;
  int port_ = 0;
  std::mutex lock_;
  std::string requests_;
  std::thread thread_;
};

// The built program with its windows, started from a temporary program directory on
// Qt's offscreen platform, with `homeUrl` as its home page.
struct Program {
  explicit Program(const std::string& homeUrl, const std::string& siteUrl = UniqueSiteUrl());
  std::unique_ptr<ChildProcess> Start();
  std::string Ini() const { return ReadFileOrEmpty(dir / "varnok.ini"); }
  std::string Page(const std::string& name) const { return ReadFileOrEmpty(dir / name); }
  std::string LocalUrl(const std::string& path) const {
    return "http://localhost:" + std::to_string(port.Wait()) + path;
  }

  TempDir dir;
  ProgramPort port;  // the port its server took
  std::map<std::string, std::string> environment;
  std::string exe;
};
