#pragma once
#include <string>

#include "webserver/File_Policy.h"

class HTTP_Request;
class Socket_IO;
struct Server_Context;

// The answer to a GET or HEAD of a file: which file the request names (a generated
// page from the state directory, else the mapped path), the success header it goes out with, and the sending.
class File_Reply {
 public:
  // `request_path_served_as` is the policy's verdict on the request's mapped path,
  // already found by the caller.
  File_Reply(Socket_IO& io, const HTTP_Request& request, const Server_Context& context,
             File_Policy::Served_As request_path_served_as);

  void send();         // header and file
  void send_header();  // header only

 private:
  std::string path() const;
  // The success header (none for a simple request); every file but our own pages goes
  // out sandboxed (File_Policy).
  const char* header() const;

  Socket_IO& io_;
  const HTTP_Request& request_;
  const Server_Context& context_;
  const File_Policy::Served_As request_path_served_as_;
};
