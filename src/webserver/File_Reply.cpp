#include "webserver/File_Reply.h"

#include <cstring>
#include <utility>

#include "app/AppState.h"
#include "webserver/HTTP_Request.h"
#include "webserver/Server_Context.h"
#include "webserver/Socket_IO.h"

namespace {

constexpr const char kOkHeader[] = "HTTP/1.0 200 OK\r\nContent-type: text/html\r\n\r\n";
// Files other than our own pages (those of user directories may belong to any account on
// the machine): served under our own origin they could read our pages and the command
// key in them; sandboxed they run as an origin of their own.
constexpr const char kSandboxedOkHeader[] =
    "HTTP/1.0 200 OK\r\nContent-type: text/html\r\nContent-Security-Policy: sandbox\r\n\r\n";

}  // namespace

File_Reply::File_Reply(Socket_IO& io, const HTTP_Request& request, const Server_Context& context,
                       File_Policy::Opened_File request_file)
    : io_(io), request_(request), context_(context), request_file_(std::move(request_file)) {}

void File_Reply::send() {
  const std::string file = path();
  File_Policy::Opened_File opened = is_request_path(file) ? std::move(request_file_) : context_.file_policy.open(file);
  const char* head = header(opened.served_as);
  // A file that could not be opened is not tried again by name: what would open then
  // was never judged.
  if (opened.file.valid())
    io_.send_open_file(opened.file.release(), head, std::strlen(head), "", 0);
  else
    io_.refuse_unopened_file(opened.error);
}

void File_Reply::send_header() {
  const std::string file = path();
  const char* head = header(is_request_path(file) ? request_file_.served_as : context_.file_policy.of(file));
  io_.send_reply(head, std::strlen(head));
}

std::string File_Reply::path() const {
  // The generated pages come from the state directory, wherever the document root is.
  const char* uri = request_.uri();
  const std::string page = *uri == '/' ? context_.state.GeneratedPagePath(uri + 1) : std::string();
  return page.empty() ? request_.path() : page;
}

bool File_Reply::is_request_path(const std::string& file) const {
  return request_.path() && file == request_.path();
}

const char* File_Reply::header(File_Policy::Served_As served_as) const {
  if (HTTP_Request::is_simple(request_.version())) return "";
  return served_as == File_Policy::Served_As::kOwnPage ? kOkHeader : kSandboxedOkHeader;
}
