#pragma once
#include <optional>
#include <string>

// Splits an absolute URL into its scheme token, its host token (host with an optional
// ":" and port, as written) and its path token (without the leading "/"). URLs are
// cut at 511 bytes.
class UrlParser {
 public:
  static constexpr size_t kWorkBuffer = 512;

  explicit UrlParser(const std::string& url);

  // Null when the URL had no such part.
  const char* scheme() const { return scheme_ ? scheme_->c_str() : nullptr; }
  const char* host() const { return host_ ? host_->c_str() : nullptr; }
  // "/index.html" when nothing follows the host.
  const char* path() const { return path_ ? path_->c_str() : nullptr; }

 private:
  std::optional<std::string> scheme_;
  std::optional<std::string> host_;
  std::optional<std::string> path_;
};
