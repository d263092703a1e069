#pragma once
#include <optional>
#include <string>
#include <vector>

#include "webserver/HTTP_Settings.h"
#include "webserver/Headers.h"

class ACE_Message_Block;

// One request as it arrives on a connection: fed after every receive, it consumes whole
// lines from the front of the receive buffer until the request line and the headers
// are complete, and leaves the method, URI, version, mapped path, the CGI decision with
// its arguments, the registered headers and the start of the body.
class HTTP_Request {
 public:
  static constexpr int kHeaderCount = 13;
  static constexpr int kAuthorizationHeader = 2;
  static constexpr int kContentTypeHeader = 10;
  static constexpr size_t kMaxPath = 259;  // longest file path a URI may map to
  // The longest body the server takes in (an upload, or what a CGI program reads):
  // large enough for a page and its pictures, small enough that no client fills the
  // disk with one request.
  static constexpr long kMaxBodyLength = 16L * 1024 * 1024;

  // True for a request without version or of HTTP/0.9, which is answered without headers.
  static bool is_simple(const char* version);

  // True when the request line at the start of `block` (whole or not) may ask for a user
  // directory ("/~name", also %-escaped), whose mapping asks the password database.
  static bool names_account(const ACE_Message_Block& block);

  explicit HTTP_Request(const HTTP_Settings& settings);

  // 1 when the request is complete (the block's data is then the start of the body),
  // 0 when more data is needed. The block needs one spare byte after its data.
  int parse(ACE_Message_Block& block);
  // The same on a zero-terminated text; the text keeps what was not consumed.
  int parse_text(char* text);

  const char* method() const { return c_str(method_); }
  const char* uri() const { return c_str(uri_); }
  const char* version() const { return c_str(version_); }
  const char* path() const { return c_str(path_); }
  bool cgi() const { return cgi_; }
  // Alternating name, value, name, value ... of a query that holds "=".
  const std::vector<std::string>& cgi_pairs() const { return cgi_pairs_; }
  const char* cgi_args() const { return c_str(cgi_args_); }
  const char* query_string() const { return c_str(query_string_); }
  const char* path_info() const { return c_str(path_info_); }
  static const char* header_name(int index);
  const char* header_value(int index);
  // The values of the request's Host lines (none for a client that sent none).
  const std::vector<std::string>& hosts() const { return headers_.hosts(); }
  const char* body() const { return body_; }
  int body_size() const { return body_size_; }
  long body_length();
  int status() const { return status_; }
  const char* status_phrase() const;
  int method_index() const { return method_index_; }
  bool request_line_seen() const { return request_line_seen_; }
  bool complete() const;

 private:
  static const char* c_str(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

  void read_request_line(char* text);
  void set_uri(const char* token);
  void set_method(const char* text);
  void set_version(const char* text);
  // Decides whether the URI (before unescaping) names a CGI program; cuts it after the
  // program name and keeps path info, query string and pairs or args.
  void split_cgi(std::string& uri);
  bool cgi_in_path(const std::string& uri, size_t* extra);
  bool cgi_in_extension(const std::string& uri, size_t* extra);
  void split_query(std::string& uri, size_t* extra);
  void map_path(const char* uri);
  void init(char* data, size_t length);

  const HTTP_Settings& settings_;
  bool request_line_seen_ = false;
  Headers headers_;
  std::optional<std::string> method_;
  std::optional<std::string> uri_;
  std::optional<std::string> version_;
  std::optional<std::string> path_;
  bool cgi_ = false;
  std::vector<std::string> cgi_pairs_;
  std::optional<std::string> cgi_args_;
  std::optional<std::string> query_string_;
  std::optional<std::string> path_info_;
  char* body_ = nullptr;
  int body_size_ = 0;
  long declared_length_ = -1;
  int status_ = 400;  // a request that never shows a request line is bad
  int method_index_ = -1;
};
