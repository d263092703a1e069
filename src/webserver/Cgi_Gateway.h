#pragma once

class HTTP_Request;
class HTTP_Response;
class Socket_IO;
struct Server_Context;

// Runs the CGI program a request names: opens it on a path no other account controls
// (404 when there is none, 403 when someone else could have placed or changed it), gives
// it the request's meta-variables, the words of an index query as arguments and the
// request body whole on its standard input, and starts it on the connection, where its
// output goes straight to the client.
class Cgi_Gateway {
 public:
  Cgi_Gateway(Socket_IO& io, HTTP_Request& request, HTTP_Response& response, Server_Context& context);

  void run();

 private:
  // The program's standard input: the request body in an unnamed file, read from its
  // start, or an empty input; -1 (the answer already given) when that fails.
  int body_input();

  Socket_IO& io_;
  HTTP_Request& request_;
  HTTP_Response& response_;
  Server_Context& context_;
};
