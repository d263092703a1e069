// Drives whole requests through the server's request-to-response path: the bytes arrive
// on a real socket (one end of a socket pair) and go through admission, parsing and the
// response, command URLs, CGI programs, file transfers and uploads included; the
// answer is read back from the other end. The first input byte chooses the connection
// factory (plain, or the file cache that stores uploads). "$K" in the input stands for
// this run's command key, so that the commands themselves are reached too.
#include <ace/Log_Msg.h>
#include <ace/Message_Block.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/AppState.h"
#include "webserver/Filecache_Connection_Factory.h"
#include "webserver/HTTP_Handler.h"
#include "webserver/HTTP_Server.h"
#include "webserver/Plain_Connection_Factory.h"
#include "webserver/Server_Context.h"

namespace {

struct Harness {
  Harness() {
    char pattern[] = "/tmp/varnok-fuzz-XXXXXX";
    directory = std::string(mkdtemp(pattern)) + "/";
    std::filesystem::create_directories(directory + "root/cgi-bin");
    Write("root/page.htm", "<p>page</p>");
    Write("root/cgi-bin/prog", "#!/bin/sh\nprintf 'Content-type: text/plain\\r\\n\\r\\n'\n");
    ::chmod((directory + "root/cgi-bin/prog").c_str(), 0755);
    Write("jaws.auth", "user:password\n");
    // The credentials file is looked up in the working directory.
    if (::chdir(directory.c_str()) != 0) std::abort();
    setenv("JAWS_DOCUMENT_ROOT", (directory + "root").c_str(), 1);
    setenv("HOME", directory.c_str(), 1);
    state = std::make_unique<AppState>(directory + "varnok");
    context = std::make_unique<Server_Context>(*state);
    context->settings = HTTP_Settings::FromEnvironment(state->ModuleDirectory());
    context->port = 10101;
    context->receive_timeout = ACE_Time_Value(0, 200000);
    plain = std::make_unique<Plain_Connection_Factory>(*context);
    cached = std::make_unique<Filecache_Connection_Factory>(*context);
  }
  void Write(const std::string& name, const std::string& bytes) { std::ofstream(directory + name) << bytes; }

  std::string directory;
  std::unique_ptr<AppState> state;
  std::unique_ptr<Server_Context> context;
  std::unique_ptr<Connection_Factory> plain;
  std::unique_ptr<Connection_Factory> cached;
};

Harness* harness = nullptr;

std::string WithKey(std::string input) {
  for (size_t at = input.find("$K"); at != std::string::npos; at = input.find("$K", at + 1))
    input.replace(at, 2, harness->state->CommandSecret());
  return input;
}

void ReapPrograms() { harness->context->cgi_children.wait_all(); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Debug logging on, so the log's formatting of request text is exercised, but kept
  // out of the fuzzer's output.
  ACE_Log_Msg* log = ACE_Log_Msg::instance();
  static std::ofstream discard("/dev/null");
  log->msg_ostream(&discard, false);
  log->clr_flags(ACE_Log_Msg::STDERR);
  log->set_flags(ACE_Log_Msg::OSTREAM);
  log->priority_mask(LM_DEBUG | LM_ERROR, ACE_Log_Msg::PROCESS);
  harness = new Harness;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(harness->directory, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  Connection_Factory& factory = (data[0] & 1) ? *harness->cached : *harness->plain;
  const std::string request = WithKey(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));

  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return 0;
  const int buffer = 1 << 20;
  ::setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  ::setsockopt(ends[0], SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  for (size_t sent = 0; sent < request.size();) {
    ssize_t n = ::send(ends[1], request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  ::shutdown(ends[1], SHUT_WR);

  ACE_Message_Block* block = new ACE_Message_Block(HTTP_Server::kBlockSize);
  if (HTTP_Handler* handler = factory.create_handler())
    handler->take_connection(ends[0], block);  // closes its end when done
  else
    ::close(ends[0]);
  block->release();

  char answer[65536];
  while (::recv(ends[1], answer, sizeof answer, MSG_DONTWAIT) > 0) {
  }
  ::close(ends[1]);
  ReapPrograms();
  return 0;
}
