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

  // Starts the program from `program`, a descriptor of its file (so what runs is what
  // was checked), with `input` as its standard input and `socket` as its standard
  // output and error, no other descriptor of ours and no signal blocked; it is not
  // waited for. The process id, or -1 when it cannot start.
  pid_t start(int program, int input, int socket) const;

 private:
  std::vector<std::string> environment() const;

  std::string path_;
  std::vector<std::string> arguments_;
  std::vector<std::string> variables_;
};
