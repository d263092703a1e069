#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

// Fetches the update files over HTTP with libcurl. Every fetch is a fresh request
// with the program's name as user agent, proxy settings from the environment and the
// body taken as raw bytes. The HTTP status is not looked at: an error page is content
// like any other, and fails the caller's own tests. A fetch ends within a second once
// `cancelled` says so, whatever the site does.
class UpdateDownloader {
 public:
  // Called once when the reply begins (the URL is "open"); false aborts the transfer.
  using ReplyStarted = std::function<bool()>;
  // Called with each piece of the body; false aborts the transfer.
  using BodyPiece = std::function<bool(const char* data, size_t size)>;

  using Cancelled = std::function<bool()>;

  // `timeout` bounds connecting and any stretch without received data.
  explicit UpdateDownloader(std::chrono::milliseconds timeout = std::chrono::milliseconds(18000),
                            Cancelled cancelled = nullptr);

  // True when the whole reply arrived and no callback aborted it.
  bool Fetch(const std::string& url, const ReplyStarted& replyStarted, const BodyPiece& bodyPiece) const;

  // The first `maxBytes` bytes of the body; the rest is not downloaded. False on a
  // failed transfer; an empty body is not a failure here.
  bool FetchBounded(const std::string& url, size_t maxBytes, std::string* body) const;

 private:
  std::chrono::milliseconds timeout_;
  Cancelled cancelled_;
};
