#include "webserver/HTTP_Response.h"

#include <ace/Log_Msg.h>
#include <ace/Mem_Map.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "webserver/Cgi_Program.h"
#include "webserver/HTTP_Handler.h"
#include "webserver/HTTP_Helpers.h"
#include "webserver/HTTP_Request.h"
#include "webserver/Server_Context.h"
#include "webserver/Socket_IO.h"

namespace {

constexpr const char kOkHeader[] = "HTTP/1.0 200 OK\r\nContent-type: text/html\r\n\r\n";
constexpr const char kCgiOkHeader[] = "HTTP/1.0 200 OK\r\n";
// Pages of user directories may belong to any account on the machine. Served under our
// own origin they could read our pages (and the command key in them); sandboxed they
// run as an origin of their own.
constexpr const char kUserPageOkHeader[] =
    "HTTP/1.0 200 OK\r\nContent-type: text/html\r\nContent-Security-Policy: sandbox\r\n\r\n";
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
constexpr const char kCredentialsFile[] = "jaws.auth";
// Uploads land in the program directory: large enough for a page and its pictures,
// small enough that no client fills the disk with one request.
constexpr long kMaxUpload = 16L * 1024 * 1024;

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

bool IsUserDirectoryUri(const char* uri) { return uri && uri[0] == '/' && uri[1] == '~'; }

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

// The words of an index query ("a+b%21" gives "a" and "b!"), each one argument.
std::vector<std::string> IndexQueryWords(const char* query) {
  std::vector<std::string> words;
  std::string raw = query ? query : "";
  for (size_t start = 0; start <= raw.size();) {
    size_t end = raw.find('+', start);
    if (end == std::string::npos) end = raw.size();
    std::string word = raw.substr(start, end - start);
    HTTP_Helpers::url_unescape(word.data());
    word.resize(std::strlen(word.c_str()));
    if (!word.empty()) words.push_back(word);
    start = end + 1;
  }
  return words;
}

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
    header_ = request_.cgi() ? kCgiOkHeader : IsUserDirectoryUri(request_.uri()) ? kUserPageOkHeader : kOkHeader;
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
      io_.send_file(file_path().c_str(), header_, header_length_, trailer_, trailer_length_);
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

std::string HTTP_Response::file_path() const {
  // The generated pages come from the state directory, wherever the document root is.
  const char* uri = request_.uri();
  const std::string page = *uri == '/' ? context_.state.GeneratedPagePath(uri + 1) : std::string();
  return page.empty() ? request_.path() : page;
}

void HTTP_Response::SendErrorPage(int status, const char* reason) { send_error_page(status, reason); }

void HTTP_Response::SendRewrittenPage(const std::string& path, const std::string& url) {
  if (IsHttp09(request_.version())) {
    // A simple request gets no headers, so it cannot be redirected: the page itself.
    prepare_ok_header();
    io_.send_file(path.c_str(), header_, header_length_, trailer_, trailer_length_);
    return;
  }
  const std::string response = Format(kRedirect, url.c_str());
  io_.send_reply(response.data(), response.size());
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
  const bool known =
      mapped && decoded && IsCredentialsLine(static_cast<const char*>(file.addr()), file.size(), decoded);
  if (!known) return send_error_page(401, "Invalid authorization attempt");
  const long total = request_.body_length();
  if (total > kMaxUpload) return send_error_page(413, "upload too large");
  io_.receive_file(request_.path(), request_.body(), static_cast<size_t>(request_.body_size()),
                   total > 0 ? static_cast<size_t>(total) : 0);
}

void HTTP_Response::run_cgi() {
  if (!Cgi_Program::IsTrusted(request_.path())) return send_error_page(403, "the program may not be run");
  Cgi_Program program(request_.path());
  if (request_.cgi_args())
    for (std::string& word : IndexQueryWords(request_.query_string())) program.add_argument(std::move(word));

  program.set("SERVER_SOFTWARE", "JAWS/1.0");
  program.set("SERVER_NAME", "localhost");
  program.set("GATEWAY_INTERFACE", "CGI/1.1");
  program.set("SERVER_PROTOCOL", request_.version() ? request_.version() : "HTTP/0.9");
  // The port really listened on, so a program that builds links back reaches us.
  program.set("SERVER_PORT", std::to_string(context_.port));
  program.set("REQUEST_METHOD", request_.method());
  if (request_.path_info()) {
    program.set("PATH_INFO", request_.path_info());
    program.set("PATH_TRANSLATED", context_.settings.document_root + "/" + request_.path_info());
  }
  program.set("SCRIPT_NAME", request_.uri());
  // The query reaches the program only here: its pairs never name variables.
  if (request_.query_string()) program.set("QUERY_STRING", request_.query_string());
  for (int i = 0; i < HTTP_Request::kHeaderCount; ++i) {
    const char* value = request_.header_value(i);
    if (value && *value) program.set(CgiHeaderVariable(HTTP_Request::header_name(i)), value);
  }
  // The program's own copy of the connection, which outlives the server's.
  const int socket = ::fcntl(io_.socket_handle(), F_DUPFD_CLOEXEC, 3);

  prepare_ok_header();
  Server_Context& context = context_;
  io_.send_reply(header_, header_length_);
  // The connection is finished now; only locals are used from here on. The program
  // writes to its own copies of the socket, and the connection closes when it ends.
  if (socket < 0) return;
  const pid_t child = program.start(socket);
  ::close(socket);
  if (child > 0) context.cgi_children.add(child);
}
