#include "webserver/HTTP_Request.h"

#include <ace/Log_Msg.h>
#include <ace/Message_Block.h>

#include <cstdlib>
#include <cstring>

#include "platform/AccountHome.h"
#include "platform/FileUtil.h"
#include "webserver/HTTP_Helpers.h"

namespace {

const char* const kHeaderNames[HTTP_Request::kHeaderCount] = {
    "Date",          "Pragma",           "Authorization",  "From",         "If-Modified-Since",
    "Referrer",      "User-Agent",       "Allow",          "Content-Encoding", "Content-Length",
    "Content-Type",  "Expires",          "Last-Modified"};

const char* const kMethodNames[] = {"GET", "HEAD", "POST", "PUT"};

std::string Unescaped(std::string text) {
  HTTP_Helpers::url_unescape(text.data());
  return std::string(text.c_str());
}

// True when a "/"-separated segment of `uri` is "..": the path would climb out of the
// directory it is mapped into.
bool ClimbsOut(const char* uri) {
  const char* segment = uri;
  for (;;) {
    const char* end = std::strchr(segment, '/');
    size_t length = end ? static_cast<size_t>(end - segment) : std::strlen(segment);
    if (length == 2 && segment[0] == '.' && segment[1] == '.') return true;
    if (!end) return false;
    segment = end + 1;
  }
}

// How long a request may wait for the password database.
constexpr std::chrono::milliseconds kAccountLookupDeadline{2000};

// The home directory of the account `user`, from the password database; for the empty
// name, $HOME (or our own account's entry when HOME is unset).
std::optional<std::string> HomeDirectory(const std::string& user) {
  if (user.empty()) {
    if (const char* home = std::getenv("HOME")) return std::string(home);
    return platform::DeadlinedLookup::Run([](const std::string&) { return platform::OwnHome(); }, user,
                                          kAccountLookupDeadline);
  }
  return platform::DeadlinedLookup::Run(platform::PasswordDatabaseHome, user, kAccountLookupDeadline);
}

std::vector<std::string> SplitCgiPath(const std::string& list) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) entries.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

}  // namespace

namespace {

// Every request starts from the same registered names: the sorted table is made once
// and copied. It lives as long as the process, never destroyed at exit: a serving thread
// may still be starting a request while the program ends.
const Headers& RegisteredHeaders() {
  static const Headers& registered = *[] {
    auto* headers = new Headers;
    for (const char* name : kHeaderNames) headers->register_name(name);
    return headers;
  }();
  return registered;
}

}  // namespace

HTTP_Request::HTTP_Request(const HTTP_Settings& settings) : settings_(settings), headers_(RegisteredHeaders()) {}

const char* HTTP_Request::header_name(int index) {
  return (index >= 0 && index < kHeaderCount) ? kHeaderNames[index] : nullptr;
}

const char* HTTP_Request::header_value(int index) {
  const char* name = header_name(index);
  return name ? headers_.value(name) : nullptr;
}

bool HTTP_Request::names_account(const ACE_Message_Block& block) {
  const char* line = block.rd_ptr();
  const char* end = static_cast<const char*>(std::memchr(line, '\n', block.length()));
  if (!end) end = line + block.length();
  for (const char* c = line; c < end; ++c) {
    if (*c == '~') return true;
    if (*c == '%' && end - c >= 3 && c[1] == '7' && (c[2] == 'e' || c[2] == 'E')) return true;
  }
  return false;
}

bool HTTP_Request::is_simple(const char* version) { return !version || std::strcmp(version, "HTTP/0.9") == 0; }

const char* HTTP_Request::status_phrase() const { return HTTP_Helpers::status_text(status_); }

bool HTTP_Request::complete() const { return headers_.end_of_headers() || (request_line_seen_ && !version_); }

int HTTP_Request::parse(ACE_Message_Block& block) {
  char* text = block.rd_ptr();
  *block.wr_ptr() = '\0';
  int done = parse_text(text);
  block.wr_ptr(text + std::strlen(text));
  return done;
}

int HTTP_Request::parse_text(char* text) {
  int joined = headers_.join_header_line(text);
  if (joined != 0) {
    if (!request_line_seen_) {
      read_request_line(text);
      while (headers_.join_header_line(text) == 1) headers_.parse_header_line(text);
    } else if (joined == 1) {
      do {
        headers_.parse_header_line(text);
      } while (headers_.join_header_line(text) == 1);
    }
  }
  if (!complete()) return 0;
  init(text, std::strlen(text));
  return 1;
}

void HTTP_Request::read_request_line(char* text) {
  status_ = 200;
  size_t line = 0;
  size_t brk = 0;
  if (!Headers::find_line_end(text, &line, &brk)) return;
  request_line_seen_ = true;
  std::string copy(text, line);

  char* save = nullptr;
  const char* method = strtok_r(copy.data(), " \t", &save);
  const char* target = method ? strtok_r(nullptr, " \t", &save) : nullptr;
  const char* version = target ? strtok_r(nullptr, " \t", &save) : nullptr;
  if (!method) {
    status_ = 400;
  } else {
    method_ = method;
    set_uri(target);
    if (uri_) {
      set_method(method);
      set_version(version);
      if (!version_ && method_index_ != 0) status_ = 501;
      map_path(uri_->c_str());
      if (!path_) status_ = 404;
    }
  }
  ACE_DEBUG((LM_DEBUG, " (%t) request %s %s %s parsed\n", method_ ? method_->c_str() : "-",
             uri_ ? uri_->c_str() : "=", version_ ? version_->c_str() : "HTTP/0.9"));
  Headers::remove_front(text, line + brk);
}

void HTTP_Request::set_uri(const char* token) {
  uri_.reset();
  if (!token) {
    status_ = 400;
    return;
  }
  std::string uri = token;
  split_cgi(uri);
  uri_ = Unescaped(uri);
}

void HTTP_Request::set_method(const char* text) {
  method_index_ = -1;
  for (int i = 0; i < 4; ++i)
    if (std::strcmp(text, kMethodNames[i]) == 0) method_index_ = i;
  if (method_index_ < 0) status_ = 501;
}

void HTTP_Request::set_version(const char* text) {
  if (text)
    version_ = text;
  else
    version_.reset();
}

void HTTP_Request::split_cgi(std::string& uri) {
  cgi_ = false;
  cgi_pairs_.clear();
  cgi_args_.reset();
  ACE_DEBUG((LM_DEBUG, " (%t) HTTP_Request::cgi (%s)\n", uri.c_str()));
  if (uri.empty()) return;
  size_t extra = std::string::npos;
  if (!cgi_in_path(uri, &extra) && !cgi_in_extension(uri, &extra)) return;
  cgi_ = true;
  split_query(uri, &extra);
  if (extra != std::string::npos) {
    path_info_ = Unescaped(uri.substr(extra));
    uri.resize(extra);
  }
}

bool HTTP_Request::cgi_in_path(const std::string& uri, size_t* extra) {
  ACE_DEBUG((LM_DEBUG, " (%t) HTTP_Request::cgi_in_path (%s)\n", uri.c_str()));
  for (const std::string& entry : SplitCgiPath(settings_.cgi_path)) {
    size_t at = entry[0] == '/' ? (uri.compare(0, entry.size(), entry) == 0 ? 0 : std::string::npos) : uri.find(entry);
    if (at == std::string::npos) continue;
    size_t after = at + entry.size();
    if (after >= uri.size() || uri[after] != '/') continue;
    size_t end = uri.find_first_of("/?", after + 1);
    *extra = end;
    return true;
  }
  return false;
}

bool HTTP_Request::cgi_in_extension(const std::string& uri, size_t* extra) {
  ACE_DEBUG((LM_DEBUG, " (%t) HTTP_Request::cgi_in_extension (%s)\n", uri.c_str()));
  for (size_t at = uri.find(".cgi"); at != std::string::npos; at = uri.find(".cgi", at + 1)) {
    size_t after = at + 4;
    if (after == uri.size()) {
      *extra = std::string::npos;
      return true;
    }
    if (uri[after] == '/' || uri[after] == '?') {
      *extra = after;
      return true;
    }
  }
  return false;
}

void HTTP_Request::split_query(std::string& uri, size_t* extra) {
  if (*extra == std::string::npos) return;
  size_t mark = uri.find('?', *extra);
  if (mark == *extra) *extra = std::string::npos;
  if (mark == std::string::npos) return;
  std::string query = uri.substr(mark + 1);
  uri.resize(mark);
  if (query.empty()) return;
  query_string_ = query;
  for (char& c : query)
    if (c == '+') c = ' ';
  if (query.find('=') == std::string::npos) {
    cgi_args_ = Unescaped(query);
    return;
  }
  size_t start = 0;
  for (;;) {
    size_t end = query.find_first_of("&=", start);
    cgi_pairs_.push_back(Unescaped(query.substr(start, end == std::string::npos ? std::string::npos : end - start)));
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

void HTTP_Request::map_path(const char* uri) {
  if (!uri || uri[0] != '/') return;
  std::string mapped;
  if (uri[1] == '~') {
    const char* name = uri + 2;
    const char* rest = std::strchr(name, '/');
    const std::optional<std::string> home =
        HomeDirectory(rest ? std::string(name, static_cast<size_t>(rest - name)) : std::string(name));
    if (!home) return;
    mapped = *home + "/" + settings_.user_dir + (rest ? rest : "");
  } else {
    mapped = settings_.document_root + uri;
  }
  // A command URL never reaches its mapped path, so neither check applies to it; any
  // other request must stay inside its directory and within the path limit.
  const bool command = !cgi_ && std::strstr(uri, ".ido") != nullptr;
  if (!command && (ClimbsOut(uri) || mapped.size() > kMaxPath || platform::IsTemporaryFileName(mapped))) return;
  if (!mapped.empty()) path_ = mapped;
}

void HTTP_Request::init(char* data, size_t length) {
  body_ = data;
  body_size_ = data ? static_cast<int>(length) : 0;
  declared_length_ = -1;
  ACE_DEBUG((LM_DEBUG, " (%t) init has initialized\n"));
}

long HTTP_Request::body_length() {
  if (declared_length_ == -1) {
    const char* value = headers_.value("Content-length");
    declared_length_ = value ? std::atol(value) : 0;
  }
  return declared_length_;
}
