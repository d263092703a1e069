#pragma once
#include <cstddef>
#include <string>

#include "pages/CommandDispatcher.h"
#include "webserver/File_Policy.h"

class HTTP_Handler;
class HTTP_Request;
class Socket_IO;
struct Server_Context;

// Decides and sends the answer to a parsed request: an error page, a file (or only its
// header for HEAD, both by File_Reply), the output of a CGI program (Cgi_Gateway), or
// the page of a command URL. Every answer ends in the handler's finish(), which closes
// the connection.
class HTTP_Response : public CommandReply {
 public:
  HTTP_Response(Socket_IO& io, HTTP_Request& request, HTTP_Handler& handler, Server_Context& context);

  void respond();
  // False when the answer may wait on something slower than the disk: a CGI program,
  // a command (which rewrites pages under the state's lock) or an upload.
  bool answers_without_waiting() const;
  void send_error_page(int status, const char* reason);

  // How a command URL is answered.
  void SendErrorPage(int status, const char* reason) override;
  void SendRewrittenPage(const std::string& path, const std::string& url) override;
  void SendNothing() override;

  // The whole error response for a request of `version` (null: the page alone).
  static std::string error_response(const char* version, int status, const char* reason);

 private:
  File_Policy::Served_As judge_request_file();
  void serve();
  void check_put_authorization();

  Socket_IO& io_;
  HTTP_Request& request_;
  HTTP_Handler& handler_;
  Server_Context& context_;
  // How the file the request maps to may go out, judged once as the answer begins; for a
  // GET of a file, with the file opened as it was judged.
  File_Policy::Opened_File request_file_;
};
