#include "update/TestSite.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

std::string StatusLine(int status) {
  return "HTTP/1.0 " + std::to_string(status) + (status == 200 ? " OK" : " Error") + "\r\n";
}

// The request head, read until the blank line (or 5 s of silence).
std::string ReadHead(int fd) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) break;
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
  }
  return head;
}

std::string HeaderValue(const std::string& head, const std::string& name) {
  size_t at = head.find("\r\n" + name + ": ");
  if (at == std::string::npos) return std::string();
  at += name.size() + 4;
  return head.substr(at, head.find("\r\n", at) - at);
}

void SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

}  // namespace

TestSite::TestSite() {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listener_, 16) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("test site cannot listen");
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { Loop(); });
}

TestSite::~TestSite() {
  stop_ = true;
  thread_.join();
  for (int fd : heldOpen_) close(fd);
  close(listener_);
}

std::string TestSite::Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

void TestSite::Serve(const std::string& path, std::vector<Reply> replies) {
  std::lock_guard<std::mutex> hold(lock_);
  replies_[path] = std::move(replies);
}

int TestSite::RequestCount(const std::string& path) const {
  std::lock_guard<std::mutex> hold(lock_);
  auto found = requests_.find(path);
  return found == requests_.end() ? 0 : found->second;
}

std::string TestSite::LastUserAgent() const {
  std::lock_guard<std::mutex> hold(lock_);
  return lastUserAgent_;
}

void TestSite::Loop() {
  while (!stop_) {
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    if (silent_) {
      heldOpen_.push_back(fd);
      continue;
    }
    Answer(fd);
    close(fd);
  }
}

void TestSite::Answer(int fd) {
  const std::string head = ReadHead(fd);
  const size_t start = head.find(' ') + 1;
  const std::string path = head.substr(start, head.find(' ', start) - start);
  {
    std::lock_guard<std::mutex> hold(lock_);
    ++requests_[path];
    lastUserAgent_ = HeaderValue(head, "User-Agent");
  }
  const Reply reply = ReplyFor(path);
  SendAll(fd, StatusLine(reply.status) + "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n" +
                  reply.body);
}

TestSite::Reply TestSite::ReplyFor(const std::string& path) {
  std::lock_guard<std::mutex> hold(lock_);
  auto found = replies_.find(path);
  if (found == replies_.end() || found->second.empty())
    return Reply{"<html><body><h1>404 Not Found</h1></body></html>", 404};
  std::vector<Reply>& queue = found->second;
  Reply reply = queue.front();
  if (queue.size() > 1) queue.erase(queue.begin());
  return reply;
}
