#include "webserver/HTTP_Response.h"

#include <ace/Log_Msg.h>
#include <ace/Mem_Map.h>
#include <fcntl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "webserver/Cgi_Gateway.h"
#include "webserver/File_Policy.h"
#include "webserver/File_Reply.h"
#include "webserver/HTTP_Handler.h"
#include "webserver/HTTP_Helpers.h"
#include "webserver/HTTP_Request.h"
#include "webserver/Server_Context.h"
#include "webserver/Socket_IO.h"

namespace {

constexpr const char kRedirect[] = "HTTP/1.0 303 See Other\r\nServer: JAWS/1.0prebeta\r\nLocation: %s\r\n"
                                   "Content-length: 0\r\n\r\n";
constexpr const char kErrorPage[] =
    "<html>\n<head><title>Server error message</title></head>\n<body>\n<h1>Error %d: %s</h1>\n"
    "The request could not be completed because:\n %s\n</body>\n</html>\n";
constexpr const char kUnauthorizedResponse[] =
    "%s %d %s\r\nServer: JAWS/1.0prebeta\r\nWWW-Authenticate: Basic realm=\"JAWS_authorization\"\r\n"
    "Content-type: text/html\r\nContent-length: %d\r\n\r\n%s";
constexpr const char kErrorResponse[] =
    "%s %d %s\r\nServer: JAWS/1.0prebeta\r\nContent-type: text/html\r\nContent-length: %d\r\n\r\n%s";
constexpr const char kNotImplemented[] = "Requested method is not implemented.";
// A file that is never served is answered as a missing one.
constexpr const char kNotServed[] = "error in transmitting file";
constexpr const char kCredentialsFile[] = "jaws.auth";

enum Method { kGet = 0, kHead = 1, kPost = 2, kPut = 3 };

// printf into a string of whatever length it needs: the client's version text is
// repeated in error responses and can be long.
std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

const char* OrDash(const char* text) { return text ? text : "-"; }

// True when `credentials` is one whole line of the credentials file (a line ends at
// LF, a CR before it is not part of it). The search stays within the file, which
// carries no terminating zero.
bool IsCredentialsLine(const char* file, size_t size, const std::string& credentials) {
  if (credentials.empty()) return false;
  for (size_t start = 0; start < size;) {
    const void* found = std::memchr(file + start, '\n', size - start);
    size_t end = found ? static_cast<size_t>(static_cast<const char*>(found) - file) : size;
    size_t length = end - start;
    if (length > 0 && file[start + length - 1] == '\r') --length;
    if (length == credentials.size() && std::memcmp(file + start, credentials.data(), length) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

HTTP_Response::HTTP_Response(Socket_IO& io, HTTP_Request& request, HTTP_Handler& handler, Server_Context& context)
    : io_(io), request_(request), handler_(handler), context_(context) {}

void HTTP_Response::respond() {
  ACE_DEBUG((LM_DEBUG, "  (%t) processing request: %s\n", request_.status_phrase()));
  if (request_.status() != 200)
    send_error_page(request_.status(), request_.status_phrase());
  else if (judge_request_file() == File_Policy::Served_As::kRefused)
    send_error_page(404, kNotServed);
  else if (request_.cgi())
    Cgi_Gateway(io_, request_, *this, context_).run();
  else
    serve();
}

File_Policy::Served_As HTTP_Response::judge_request_file() {
  if (request_.method_index() == kGet && !request_.cgi())
    request_file_ = context_.file_policy.open(request_.path());
  else
    request_file_.served_as = context_.file_policy.of(request_.path());
  return request_file_.served_as;
}

bool HTTP_Response::answers_without_waiting() const {
  if (request_.status() != 200) return true;
  const char* uri = request_.uri();
  return !request_.cgi() && request_.method_index() != kPut && !(uri && std::strstr(uri, ".ido"));
}

std::string HTTP_Response::error_response(const char* version, int status, const char* reason) {
  const char* phrase = HTTP_Helpers::status_text(status);
  std::string body = Format(kErrorPage, status, phrase, reason);
  if (HTTP_Request::is_simple(version)) return body;
  const char* format = status == 401 ? kUnauthorizedResponse : kErrorResponse;
  return Format(format, version, status, phrase, static_cast<int>(body.size()), body.c_str());
}

void HTTP_Response::send_error_page(int status, const char* reason) {
  ACE_DEBUG((LM_DEBUG, "(%t) [%s %s %s] %s\n", OrDash(request_.method()), OrDash(request_.uri()),
             OrDash(request_.version()), reason));
  std::string response = error_response(request_.version(), status, reason);
  io_.send_error_reply(response.data(), response.size());
}

void HTTP_Response::serve() {
  ACE_DEBUG((LM_DEBUG, " (%t) %s request for %s [%s], version %s\n", OrDash(request_.method()),
             OrDash(request_.uri()), OrDash(request_.path()), request_.version() ? request_.version() : "HTTP/0.9"));
  if (HandleCommandUrl(context_.state, request_.uri(), *this)) return;
  switch (request_.method_index()) {
    case kGet:
      File_Reply(io_, request_, context_, std::move(request_file_)).send();
      break;
    case kHead:
      File_Reply(io_, request_, context_, {request_file_.served_as, platform::Descriptor()}).send_header();
      break;
    case kPut:
      check_put_authorization();
      break;
    default:
      send_error_page(501, kNotImplemented);
      break;
  }
}

void HTTP_Response::SendErrorPage(int status, const char* reason) { send_error_page(status, reason); }

void HTTP_Response::SendRewrittenPage(const std::string& path, const std::string& url) {
  if (HTTP_Request::is_simple(request_.version())) {
    // A simple request gets no headers, so it cannot be redirected: the page itself.
    io_.send_file(path.c_str(), "", 0, "", 0);
    return;
  }
  const std::string response = Format(kRedirect, url.c_str());
  io_.send_reply(response.data(), response.size());
}

void HTTP_Response::SendNothing() { handler_.finish(); }

void HTTP_Response::check_put_authorization() {
  const char* value = request_.header_value(HTTP_Request::kAuthorizationHeader);
  if (!value || !*value) return send_error_page(401, "Unauthorized to use PUT method");
  if (std::strncmp(value, "Basic ", 6) != 0) return send_error_page(401, "Unknown authorization method");

  std::string credentials = value + 6;
  const char* decoded = HTTP_Helpers::base64_decode(credentials.data());
  ACE_Mem_Map file(kCredentialsFile, static_cast<size_t>(-1), O_RDWR | O_CREAT, ACE_DEFAULT_FILE_PERMS, PROT_RDWR,
                   ACE_MAP_PRIVATE);
  const bool mapped = file.addr() != MAP_FAILED && file.addr() != nullptr && file.size() > 0;
  // Empty credentials would match any file; the search stays within the file, which
  // carries no terminating zero.
  const bool known =
      mapped && decoded && IsCredentialsLine(static_cast<const char*>(file.addr()), file.size(), decoded);
  if (!known) return send_error_page(401, "Invalid authorization attempt");
  const long total = request_.body_length();
  if (total > HTTP_Request::kMaxBodyLength) return send_error_page(413, "upload too large");
  io_.receive_file(request_.path(), request_.body(), static_cast<size_t>(request_.body_size()),
                   total > 0 ? static_cast<size_t>(total) : 0);
}
