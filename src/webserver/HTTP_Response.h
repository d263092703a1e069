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
// header for HEAD), the output of a CGI program, or the page of a command URL. Every
// answer ends in the handler's finish(), which closes the connection.
class HTTP_Response : public CommandReply {
 public:
  HTTP_Response(Socket_IO& io, HTTP_Request& request, HTTP_Handler& handler, Server_Context& context);

  void respond();
  void send_error_page(int status, const char* reason);

  // How a command URL is answered.
  void SendErrorPage(int status, const char* reason) override;
  void SendRewrittenPage(const std::string& path, const std::string& url) override;
  void SendNothing() override;

  // The whole error response for a request of `version` (null: the page alone).
  static std::string error_response(const char* version, int status, const char* reason);

 private:
  // The success header of a file served as `served` (CGI programs write their own).
  void prepare_ok_header(File_Policy::Served_As served);
  void serve();
  // The file a GET or HEAD sends: the program's own generated page for /scj.htm and
  // /menu.htm (where commands redirect to), else the mapped path.
  std::string file_path() const;
  void check_put_authorization();
  void run_cgi();

  Socket_IO& io_;
  HTTP_Request& request_;
  HTTP_Handler& handler_;
  Server_Context& context_;
  const char* header_ = "";
  size_t header_length_ = 0;
  const char* trailer_ = "";
  size_t trailer_length_ = 0;
};
