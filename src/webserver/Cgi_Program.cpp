#include "webserver/Cgi_Program.h"

#include <signal.h>
#include <spawn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace {

// Where the started program finds the descriptor of its own file.
constexpr int kProgramDescriptor = 3;

// Variables of the CGI interface: a program must never mistake one left in the
// server's own environment for a value of the request.
const char* const kMetaVariables[] = {
    "AUTH_TYPE",    "CONTENT_LENGTH", "CONTENT_TYPE", "GATEWAY_INTERFACE", "PATH_INFO",      "PATH_TRANSLATED",
    "QUERY_STRING", "REMOTE_ADDR",    "REMOTE_HOST",  "REMOTE_IDENT",      "REMOTE_USER",    "REQUEST_METHOD",
    "SCRIPT_NAME",  "SERVER_NAME",    "SERVER_PORT",  "SERVER_PROTOCOL",   "SERVER_SOFTWARE"};

bool IsCgiVariable(const char* assignment) {
  if (std::strncmp(assignment, "HTTP_", 5) == 0) return true;
  const char* equals = std::strchr(assignment, '=');
  const size_t length = equals ? static_cast<size_t>(equals - assignment) : std::strlen(assignment);
  for (const char* name : kMetaVariables)
    if (std::strlen(name) == length && std::strncmp(assignment, name, length) == 0) return true;
  return false;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

std::vector<std::string> Cgi_Program::environment() const {
  std::vector<std::string> all;
  for (char** entry = environ; entry && *entry; ++entry)
    if (!IsCgiVariable(*entry)) all.emplace_back(*entry);
  all.insert(all.end(), variables_.begin(), variables_.end());
  return all;
}

pid_t Cgi_Program::start(int program, int input, int socket) const {
  std::vector<std::string> argumentTexts{path_};
  argumentTexts.insert(argumentTexts.end(), arguments_.begin(), arguments_.end());
  std::vector<std::string> environmentTexts = environment();
  std::vector<char*> argv = Pointers(argumentTexts);
  std::vector<char*> envp = Pointers(environmentTexts);
  // Above the numbers the actions below fill, so no action overwrites another's source.
  const int checked = ::fcntl(program, F_DUPFD_CLOEXEC, kProgramDescriptor + 1);
  if (checked < 0) return -1;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input, 0);
  for (int standard : {1, 2}) posix_spawn_file_actions_adddup2(&actions, socket, standard);
  // The program is started through its descriptor, which a script's interpreter then
  // reads it by, so that one stays open too.
  posix_spawn_file_actions_adddup2(&actions, checked, kProgramDescriptor);
  // Nothing else of ours: a page being written or another client's connection, opened
  // by another thread without close-on-exec, must not live on in the program.
  posix_spawn_file_actions_addclosefrom_np(&actions, kProgramDescriptor + 1);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // The program blocks its shutdown signals in every thread and may ignore SIGPIPE;
  // the CGI program starts with neither.
  sigset_t none, pipe;
  sigemptyset(&none);
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &pipe);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const std::string self = "/proc/self/fd/" + std::to_string(kProgramDescriptor);
  pid_t child = -1;
  const int rc = posix_spawn(&child, self.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(checked);
  return rc == 0 ? child : -1;
}
