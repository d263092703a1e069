#include "support/desktop/TestSite.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "support/ChildProcess.h"
#include "support/RawHttp.h"

namespace {

constexpr int kPollMs = 100;

TestSite::Request ParseHead(const std::string& head) {
  TestSite::Request request;
  request.head = head;
  const size_t lineEnd = head.find("\r\n");
  const std::string line = head.substr(0, lineEnd);
  const size_t firstSpace = line.find(' ');
  const size_t secondSpace = line.find(' ', firstSpace + 1);
  if (firstSpace == std::string::npos) return request;
  request.method = line.substr(0, firstSpace);
  request.target = line.substr(firstSpace + 1, secondSpace == std::string::npos ? std::string::npos : secondSpace - firstSpace - 1);
  const size_t question = request.target.find('?');
  request.path = request.target.substr(0, question);
  if (question != std::string::npos) request.query = request.target.substr(question + 1);
  return request;
}

std::string EscapeHtml(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

bool SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    unsigned group = 0;
    for (size_t j = 0; j < 3; ++j) group = group << 8 | (j < n ? static_cast<unsigned char>(bytes[i + j]) : 0);
    for (size_t j = 0; j < 4; ++j) out += j <= n ? kDigits[(group >> (18 - 6 * j)) & 63] : '=';
  }
  return out;
}

}  // namespace

TestSite::TestSite() {
  listener_ = ListenOnLoopback(&port_, 64);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

TestSite::~TestSite() {
  stopping_ = true;
  acceptor_.join();
  for (std::thread& connection : connections_) connection.join();
  if (listener_ >= 0) close(listener_);
}

std::string TestSite::Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

void TestSite::Page(const std::string& path, const std::string& html, const std::string& contentType) {
  std::lock_guard<std::mutex> hold(lock_);
  pages_[path] = Resource{contentType, html, "", 0, std::chrono::milliseconds(0)};
}

void TestSite::Download(const std::string& path, const std::string& bytes, const std::string& fileName,
                        size_t bytesPerStep, std::chrono::milliseconds pause) {
  std::lock_guard<std::mutex> hold(lock_);
  pages_[path] = Resource{"application/octet-stream", bytes,
                          "Content-Disposition: attachment; filename=\"" + fileName + "\"\r\n", bytesPerStep, pause};
}

void TestSite::Hold(const std::string& path) {
  std::lock_guard<std::mutex> hold(lock_);
  held_.insert(path);
}

void TestSite::Protect(const std::string& path, const std::string& realm, const std::string& userColonPassword) {
  std::lock_guard<std::mutex> hold(lock_);
  protected_[path] = {realm, "Authorization: Basic " + Base64(userColonPassword) + "\r\n"};
}

std::vector<TestSite::Request> TestSite::Requests() const {
  std::lock_guard<std::mutex> hold(lock_);
  return requests_;
}

std::vector<TestSite::Request> TestSite::RequestsFor(const std::string& path) const {
  std::vector<Request> matching;
  for (const Request& request : Requests())
    if (request.path == path) matching.push_back(request);
  return matching;
}

bool TestSite::WaitForRequests(const std::string& path, int count, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return Count(path) >= count; }, timeout);
}

bool TestSite::WaitForAbandoned(const std::string& path, std::chrono::milliseconds timeout) const {
  return WaitUntil(
      [&] {
        for (const Request& request : RequestsFor(path))
          if (request.abandoned) return true;
        return false;
      },
      timeout);
}

void TestSite::AcceptLoop() {
  // The browser opens connections ahead of need and may never use them, so every
  // connection gets a thread of its own and an idle one blocks nobody.
  while (!stopping_) {
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, kPollMs) <= 0) continue;
    const int client = accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    connections_.emplace_back([this, client] { Serve(client); });
  }
}

void TestSite::Serve(int client) {
  std::string head;
  char buffer[8192];
  while (!stopping_ && head.find("\r\n\r\n") == std::string::npos) {
    pollfd p{client, POLLIN, 0};
    if (poll(&p, 1, kPollMs) <= 0) continue;
    const ssize_t n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
  }
  if (head.find("\r\n\r\n") != std::string::npos) {
    const Request request = ParseHead(head.substr(0, head.find("\r\n\r\n") + 4));
    size_t index = 0;
    bool held = false;
    {
      std::lock_guard<std::mutex> hold(lock_);
      index = requests_.size();
      requests_.push_back(request);
      held = held_.count(request.path) > 0;
    }
    if (held)
      WaitForClientToLeave(client, index);
    else
      Answer(client, request);
  }
  close(client);
}

void TestSite::Answer(int client, const Request& request) {
  Resource resource{"text/html; charset=utf-8",
                    "<html><head><title>" + EscapeHtml(request.path) + "</title></head><body>" +
                        EscapeHtml(request.target) + "</body></html>",
                    "", 0, std::chrono::milliseconds(0)};
  int status = 200;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto page = pages_.find(request.path);
    if (page != pages_.end())
      resource = page->second;
    else if (request.path == "/favicon.ico")
      status = 404;
    auto guarded = protected_.find(request.path);
    if (guarded != protected_.end() && request.head.find(guarded->second.second) == std::string::npos) {
      status = 401;
      resource = Resource{"text/html", "<html><body>401</body></html>",
                          "WWW-Authenticate: Basic realm=\"" + guarded->second.first + "\"\r\n", 0, {}};
    }
  }
  const char* reason = status == 200 ? " OK" : status == 401 ? " Unauthorized" : " Not Found";
  const std::string head = "HTTP/1.1 " + std::to_string(status) + reason +
                           "\r\nContent-Type: " + resource.type + "\r\nContent-Length: " +
                           std::to_string(resource.body.size()) + "\r\n" + resource.extraHeaders +
                           "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
  SendAll(client, head);
  if (request.method != "HEAD") SendPaced(client, resource.body, resource.bytesPerStep, resource.pause);
  shutdown(client, SHUT_WR);
  // Let the client read everything before the descriptor goes.
  char buffer[1024];
  for (int i = 0; i < 20; ++i) {
    pollfd p{client, POLLIN, 0};
    if (poll(&p, 1, kPollMs) > 0 && recv(client, buffer, sizeof buffer, 0) <= 0) break;
  }
}

void TestSite::SendPaced(int client, const std::string& bytes, size_t bytesPerStep, std::chrono::milliseconds pause) {
  if (bytesPerStep == 0) {
    SendAll(client, bytes);
    return;
  }
  for (size_t at = 0; at < bytes.size() && !stopping_; at += bytesPerStep) {
    if (at > 0) std::this_thread::sleep_for(pause);
    if (!SendAll(client, bytes.substr(at, bytesPerStep))) return;  // the client gave up
  }
}

void TestSite::WaitForClientToLeave(int client, size_t requestIndex) {
  char buffer[1024];
  while (!stopping_) {
    pollfd p{client, POLLIN, 0};
    if (poll(&p, 1, kPollMs) <= 0) continue;
    if (recv(client, buffer, sizeof buffer, 0) <= 0) {
      std::lock_guard<std::mutex> hold(lock_);
      requests_[requestIndex].abandoned = true;
      return;
    }
  }
}
