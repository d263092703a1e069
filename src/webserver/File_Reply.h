#pragma once
#include <string>

class AppState;
class HTTP_Request;
class Socket_IO;

// The answer to a GET or HEAD of a file: which file the request names (a generated
// page from the state directory, else the mapped path), the success header it goes out with, and the sending.
class File_Reply {
 public:
  File_Reply(Socket_IO& io, const HTTP_Request& request, const AppState& state);

  void send();         // header and file
  void send_header();  // header only

 private:
  std::string path() const;
  // The success header (none for a simple request); every file but our own pages goes
  // out sandboxed (File_Policy).
  const char* header() const;

  Socket_IO& io_;
  const HTTP_Request& request_;
  const AppState& state_;
};
