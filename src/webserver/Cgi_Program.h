#pragma once
#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// A CGI program about to be started: its path (one argument, whatever it holds), the
// words of an index query as further arguments, and its meta-variables. The request
// decides only values, never names: the environment is the server's own, without any
// inherited CGI or HTTP_ variables, plus the variables set here.
class Cgi_Program {
 public:
  explicit Cgi_Program(std::string path) : path_(std::move(path)) {}

  void add_argument(std::string word) { arguments_.push_back(std::move(word)); }
  void set(const std::string& name, const std::string& value) { variables_.push_back(name + "=" + value); }

  // Starts the program with `socket` as its standard input, output and error, no other
  // descriptor and no signal blocked; it is not waited for. The process id, or -1 when
  // it cannot start.
  pid_t start(int socket) const;

  // Whether the program may be run on a request: the file, the name leading to it (a
  // link) and its directory belong to our account or the system, and neither the file
  // nor the directory is writable by everyone. Another account's program, or a link of
  // its own to a system program, reached through its user directory, would otherwise
  // run under our account with arguments of the request's choosing.
  static bool IsTrusted(const std::string& path);

 private:
  std::vector<std::string> environment() const;

  std::string path_;
  std::vector<std::string> arguments_;
  std::vector<std::string> variables_;
};
