#include "webserver/HTTP_Response.h"

#include <ace/Log_Msg.h>
#include <ace/Mem_Map.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "webserver/Cgi_Process.h"
#include "webserver/HTTP_Handler.h"
#include "webserver/HTTP_Helpers.h"
#include "webserver/HTTP_Request.h"
#include "webserver/Server_Context.h"
#include "webserver/Socket_IO.h"

namespace {

constexpr const char kOkHeader[] = "HTTP/1.0 200 OK\r\nContent-type: text/html\r\n\r\n";
constexpr const char kCgiOkHeader[] = "HTTP/1.0 200 OK\r\n";
constexpr const char kErrorPage[] =
    "<html>\n<head><title>Server error message</title></head>\n<body>\n<h1>Error %d: %s</h1>\n"
    "The request could not be completed because:\n %s\n</body>\n</html>\n";
constexpr const char kUnauthorizedResponse[] =
    "%s %d %s\r\nServer: JAWS/1.0prebeta\r\nWWW-Authenticate: Basic realm=\"JAWS_authorization\"\r\n"
    "Content-type: text/html\r\nContent-length: %d\r\n\r\n%s";
constexpr const char kErrorResponse[] =
    "%s %d %s\r\nServer: JAWS/1.0prebeta\r\nContent-type: text/html\r\nContent-length: %d\r\n\r\n%s";
constexpr const char kNotImplemented[] = "Requested method is not implemented.";
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

bool IsHttp09(const char* version) { return !version || std::strcmp(version, "HTTP/0.9") == 0; }

// "User-Agent" -> "HTTP_USER_AGENT".
std::string CgiHeaderVariable(const char* name) {
  std::string variable = "HTTP_";
  for (const char* c = name; *c; ++c)
    variable.push_back(*c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(*c))));
  return variable;
}

}  // namespace

HTTP_Response::HTTP_Response(Socket_IO& io, HTTP_Request& request, HTTP_Handler& handler, Server_Context& context)
    : io_(io), request_(request), handler_(handler), context_(context) {}

void HTTP_Response::respond() {
  ACE_DEBUG((LM_DEBUG, "  (%t) processing request: %s\n", request_.status_phrase()));
  if (request_.status() != 200)
    send_error_page(request_.status(), request_.status_phrase());
  else if (request_.cgi())
    run_cgi();
  else
    serve();
}

std::string HTTP_Response::error_response(const char* version, int status, const char* reason) {
  const char* phrase = HTTP_Helpers::status_text(status);
  std::string body = Format(kErrorPage, status, phrase, reason);
  if (IsHttp09(version)) return body;
  const char* format = status == 401 ? kUnauthorizedResponse : kErrorResponse;
  return Format(format, version, status, phrase, static_cast<int>(body.size()), body.c_str());
}

void HTTP_Response::send_error_page(int status, const char* reason) {
  ACE_DEBUG((LM_DEBUG, "(%t) [%s %s %s] %s\n", OrDash(request_.method()), OrDash(request_.uri()),
             OrDash(request_.version()), reason));
  std::string response = error_response(request_.version(), status, reason);
  io_.send_error_reply(response.data(), response.size());
}

void HTTP_Response::prepare_ok_header() {
  if (IsHttp09(request_.version())) {
    header_ = "";
  } else {
    header_ = request_.cgi() ? kCgiOkHeader : kOkHeader;
  }
  header_length_ = std::strlen(header_);
  trailer_ = "";
  trailer_length_ = 0;
}

void HTTP_Response::serve() {
  ACE_DEBUG((LM_DEBUG, " (%t) %s request for %s [%s], version %s\n", OrDash(request_.method()),
             OrDash(request_.uri()), OrDash(request_.path()), request_.version() ? request_.version() : "HTTP/0.9"));
  if (HandleCommandUrl(context_.state, request_.uri(), *this)) return;
  switch (request_.method_index()) {
    case kGet:
      prepare_ok_header();
      io_.send_file(request_.path(), header_, header_length_, trailer_, trailer_length_);
      break;
    case kHead:
      prepare_ok_header();
      io_.send_reply(header_, header_length_);
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

void HTTP_Response::SendPage(const std::string& path) {
  prepare_ok_header();
  io_.send_file(path.c_str(), header_, header_length_, trailer_, trailer_length_);
}

void HTTP_Response::SendNothing() { handler_.finish(); }

void HTTP_Response::check_put_authorization() {
  const char* value = request_.header_value(2);  // Authorization
  if (!value || !*value) return send_error_page(401, "Unauthorized to use PUT method");
  if (std::strncmp(value, "Basic ", 6) != 0) return send_error_page(401, "Unknown authorization method");

  std::string credentials = value + 6;
  const char* decoded = HTTP_Helpers::base64_decode(credentials.data());
  ACE_Mem_Map file(kCredentialsFile, static_cast<size_t>(-1), O_RDWR | O_CREAT, ACE_DEFAULT_FILE_PERMS, PROT_RDWR,
                   ACE_MAP_PRIVATE);
  const bool mapped = file.addr() != MAP_FAILED && file.addr() != nullptr && file.size() > 0;
  // Empty credentials would match any file; the search stays within the file, which
  // carries no terminating zero.
  const bool known = mapped && decoded && *decoded &&
                     memmem(file.addr(), file.size(), decoded, std::strlen(decoded)) != nullptr;
  if (!known) return send_error_page(401, "Invalid authorization attempt");
  const int total = request_.body_length();
  io_.receive_file(request_.path(), request_.body(), static_cast<size_t>(request_.body_size()),
                   total > 0 ? static_cast<size_t>(total) : 0);
}

void HTTP_Response::run_cgi() {
  ACE_Process_Options options(true, 1024, 16384, 512);
  if (request_.cgi_args())
    options.command_line("%s %s", request_.path(), request_.cgi_args());
  else
    options.command_line("%s", request_.path());

  options.setenv("SERVER_SOFTWARE", "%s", "JAWS/1.0");
  options.setenv("SERVER_NAME", "%s", "localhost");
  options.setenv("GATEWAY_INTERFACE", "%s", "CGI/1.1");
  options.setenv("SERVER_PROTOCOL", "%s", request_.version() ? request_.version() : "HTTP/0.9");
  // The port really listened on, so a program that builds links back reaches us.
  options.setenv("SERVER_PORT", "%d", context_.port);
  options.setenv("REQUEST_METHOD", "%s", request_.method());
  if (request_.path_info()) {
    options.setenv("PATH_INFO", "%s", request_.path_info());
    options.setenv("PATH_TRANSLATED", "%s/%s", context_.settings.document_root.c_str(), request_.path_info());
  }
  options.setenv("SCRIPT_NAME", "%s", request_.uri());
  if (request_.query_string()) options.setenv("QUERY_STRING", "%s", request_.query_string());
  const auto& pairs = request_.cgi_pairs();
  for (size_t i = 0; i + 1 < pairs.size(); i += 2)
    if (!pairs[i].empty()) options.setenv(pairs[i].c_str(), "%s", pairs[i + 1].c_str());
  for (int i = 0; i < HTTP_Request::kHeaderCount; ++i) {
    const char* value = request_.header_value(i);
    if (value && *value)
      options.setenv(CgiHeaderVariable(HTTP_Request::header_name(i)).c_str(), "%s", value);
  }
  const ACE_HANDLE socket = io_.socket_handle();
  options.set_handles(socket, socket, socket);

  prepare_ok_header();
  Server_Context& context = context_;
  io_.send_reply(header_, header_length_);
  // The connection is finished now; only locals are used from here on. The program
  // writes to its own copies of the socket, and the connection closes when it ends.
  Cgi_Process process(options);
  pid_t child = process.spawn(options);
  if (child > 0) context.cgi_children.add(child);
  options.release_handles();
}
