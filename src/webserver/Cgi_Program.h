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

  // Starts the program with `socket` as its standard input, output and error and no
  // signal blocked; it is not waited for. The process id, or -1 when it cannot start.
  pid_t start(int socket) const;

  // Whether the program file may be run on a request: one of our account's (or the
  // system's) files that nobody else can change. Another account's program, reached
  // through its user directory, would otherwise run under our account.
  static bool IsTrusted(const std::string& path);

 private:
  std::vector<std::string> environment() const;

  std::string path_;
  std::vector<std::string> arguments_;
  std::vector<std::string> variables_;
};
