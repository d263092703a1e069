#include "WindowedProgram.h"

#include <sys/socket.h>
#include <unistd.h>

#include "support/RawHttp.h"

PageListener::PageListener(Responder respond) : respond_(std::move(respond)) {
  if (!respond_)
    respond_ = [](const std::string&) {
      return HtmlAnswer("<html><head><title>Served</title></head><body>ok</body></html>");
    };
  fd_ = ListenOnLoopback(&port_);
  thread_ = std::thread([this] { Serve(); });
}

PageListener::~PageListener() {
  shutdown(fd_, SHUT_RDWR);
  close(fd_);
  thread_.join();
}

std::string PageListener::HtmlAnswer(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body;
}

bool PageListener::Requested(const std::string& path) {
  std::lock_guard<std::mutex> hold(lock_);
  return requests_.find("GET " + path + " ") != std::string::npos;
}

std::string PageListener::Requests() {
  std::lock_guard<std::mutex> hold(lock_);
  return requests_;
}

void PageListener::Serve() {
  for (;;) {
    int client = accept(fd_, nullptr, nullptr);
    if (client < 0) return;
    char buffer[4096];
    ssize_t got = recv(client, buffer, sizeof buffer, 0);
    std::string path;
    if (got > 0) {
      const std::string head(buffer, static_cast<size_t>(got));
      const size_t start = head.find(' ') + 1;
      path = head.substr(start, head.find(' ', start) - start);
      std::lock_guard<std::mutex> hold(lock_);
      requests_ += head;
    }
    const std::string answer = respond_(path);
    send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
    close(client);
  }
}

Program::Program(const std::string& homeUrl, const std::string& siteUrl)
    : environment{{"VARNOK_SITE_URL", siteUrl},
                  {"VARNOK_UPDATE_FIRST_MS", "3600000"},
                  {"QT_QPA_PLATFORM", "offscreen"},
                  {"QTWEBENGINE_DISABLE_SANDBOX", "1"}} {
  port.AddTo(environment);
  WriteFileOrDie(dir / "varnok.ini", "[homeurl]\r\nurl1=" + homeUrl + "\r\n");
  exe = InstallProgramCopy(dir.path());
}

std::unique_ptr<ChildProcess> Program::Start() {
  return std::make_unique<ChildProcess>(std::vector<std::string>{exe}, environment, dir.path());
}
