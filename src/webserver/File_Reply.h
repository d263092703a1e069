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
  // `request_file` is the policy's verdict on the request's mapped path, already found
  // by the caller, with that file when the caller opened it.
  File_Reply(Socket_IO& io, const HTTP_Request& request, const Server_Context& context,
             File_Policy::Opened_File request_file);

  void send();         // header and file
  void send_header();  // header only

 private:
  std::string path() const;
  bool is_request_path(const std::string& file) const;
  // The success header of a file served as `served_as` (none for a simple request);
  // every file but our own pages goes out sandboxed (File_Policy).
  const char* header(File_Policy::Served_As served_as) const;

  Socket_IO& io_;
  const HTTP_Request& request_;
  const Server_Context& context_;
  File_Policy::Opened_File request_file_;
};
