#include "webserver/Cgi_Gateway.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/FileUtil.h"
#include "platform/TrustedFile.h"
#include "webserver/Cgi_Program.h"
#include "webserver/HTTP_Helpers.h"
#include "webserver/HTTP_Request.h"
#include "webserver/HTTP_Response.h"
#include "webserver/Server_Context.h"
#include "webserver/Socket_IO.h"

namespace {

constexpr const char kCgiOkHeader[] = "HTTP/1.0 200 OK\r\n";

// Closes a descriptor when it goes.
struct Closing {
  int fd;
  ~Closing() {
    if (fd >= 0) ::close(fd);
  }
};

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

// An unnamed file for a request body: on the disk where the system keeps temporary
// files, in memory where it cannot.
int UnnamedFile() {
  const char* directory = std::getenv("TMPDIR");
  const int fd = ::open(directory && *directory ? directory : "/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  return fd >= 0 ? fd : ::memfd_create("cgi-body", MFD_CLOEXEC);
}

}  // namespace

Cgi_Gateway::Cgi_Gateway(Socket_IO& io, HTTP_Request& request, HTTP_Response& response, Server_Context& context)
    : io_(io), request_(request), response_(response), context_(context) {}

void Cgi_Gateway::run() {
  int programFd = -1;
  switch (platform::TrustedFile::Open(request_.path(), &programFd)) {
    case platform::TrustedFile::Outcome::kMissing:
      return response_.send_error_page(404, "there is no such program");
    case platform::TrustedFile::Outcome::kUntrusted:
      return response_.send_error_page(403, "the program may not be run");
    case platform::TrustedFile::Outcome::kOpened:
      break;
  }
  const Closing program{programFd};
  const Closing input{body_input()};
  if (input.fd < 0) return;

  Cgi_Program cgi(request_.path());
  if (request_.cgi_args())
    for (std::string& word : IndexQueryWords(request_.query_string())) cgi.add_argument(std::move(word));
  cgi.set("SERVER_SOFTWARE", "JAWS/1.0");
  cgi.set("SERVER_NAME", "localhost");
  cgi.set("GATEWAY_INTERFACE", "CGI/1.1");
  cgi.set("SERVER_PROTOCOL", request_.version() ? request_.version() : "HTTP/0.9");
  // The port really listened on, so a program that builds links back reaches us.
  cgi.set("SERVER_PORT", std::to_string(context_.port));
  cgi.set("REQUEST_METHOD", request_.method());
  if (request_.path_info()) {
    cgi.set("PATH_INFO", request_.path_info());
    cgi.set("PATH_TRANSLATED", context_.settings.document_root + "/" + request_.path_info());
  }
  cgi.set("SCRIPT_NAME", request_.uri());
  // The query reaches the program only here: its pairs never name variables.
  if (request_.query_string()) cgi.set("QUERY_STRING", request_.query_string());
  if (request_.body_length() > 0) {
    cgi.set("CONTENT_LENGTH", std::to_string(request_.body_length()));
    if (const char* type = request_.header_value(HTTP_Request::kContentTypeHeader); type && *type)
      cgi.set("CONTENT_TYPE", type);
  }
  for (int i = 0; i < HTTP_Request::kHeaderCount; ++i) {
    const char* value = request_.header_value(i);
    if (value && *value) cgi.set(CgiHeaderVariable(HTTP_Request::header_name(i)), value);
  }
  // The program's own copy of the connection, which outlives the server's.
  const Closing socket{::fcntl(io_.socket_handle(), F_DUPFD_CLOEXEC, 3)};
  Server_Context& context = context_;
  const char* header = HTTP_Request::is_simple(request_.version()) ? "" : kCgiOkHeader;
  io_.send_reply(header, std::strlen(header));
  // The connection is finished now; only locals are used from here on. The program
  // writes to its own copies of the socket, and the connection closes when it ends.
  if (socket.fd < 0) return;
  const pid_t child = cgi.start(program.fd, input.fd, socket.fd);
  if (child > 0) context.cgi_children.add(child);
}

int Cgi_Gateway::body_input() {
  const long length = request_.body_length();
  if (length <= 0) return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (length > HTTP_Request::kMaxBodyLength) {
    response_.send_error_page(413, "the request body is too large");
    return -1;
  }
  const int fd = UnnamedFile();
  if (fd < 0) {
    response_.send_error_page(500, "no room for the request body");
    return -1;
  }
  // What came with the request head, then the rest from the connection.
  const size_t total = static_cast<size_t>(length);
  const size_t arrived = std::min(static_cast<size_t>(std::max(request_.body_size(), 0)), total);
  const bool whole = platform::WriteAll(fd, request_.body(), arrived) && io_.receive_into(fd, total - arrived) == 0 &&
                     ::lseek(fd, 0, SEEK_SET) == 0;
  if (whole) return fd;
  ::close(fd);
  // Without its whole body the program is not run; a client that broke off the body
  // misses the answer, which costs nothing.
  response_.send_error_page(500, "the request body could not be received");
  return -1;
}
