#include "LiveServer.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "support/ChildProcess.h"
#include "support/RawHttp.h"
#include "webclient/ShutdownWakeUp.h"
#include "webserver/HTTP_Server.h"

LiveServer::LiveServer(std::vector<std::string> options) {
  setenv("VARNOK_SITE_URL", UniqueSiteUrl().c_str(), 1);
  setenv("JAWS_DOCUMENT_ROOT", root().substr(0, root().size() - 1).c_str(), 1);
  std::filesystem::create_directories(root());
  state_ = std::make_unique<AppState>(dir_.path() + "varnok");
  // Any free port: the server publishes the one it took in the state.
  state_->SetPort("0");
  if (options.empty()) options = {"-n", "20", "-i", "SYNCH", "-t", "PER_REQUEST", "-b", "50", "-f", "THR_NEW_LWP",
                                  "-c", "NO_CACHE"};
  options.insert(options.begin(), {"HTTP_Server", "-p", "0"});
  thread_ = std::thread([this, options]() mutable {
    std::vector<char*> argv;
    for (std::string& word : options) argv.push_back(word.data());
    argv.push_back(nullptr);
    HTTP_Server server(*state_, &stop_);
    server.listen_on_any_free_port();
    result_ = server.run_server(static_cast<int>(options.size()), argv.data());
    factory_ = server.factory_name();
    ended_ = true;
  });
  // A test of a server that is not there would pass every "no answer" check: it ends here.
  if (!WaitUntil([this] { return state_->Port() != "0" || ended_; }, std::chrono::seconds(30)) || ended_) {
    stop_.request();
    thread_.join();
    throw std::runtime_error("the server did not come up (run_server returned " + std::to_string(result_) + ")");
  }
  port_ = std::stoi(state_->Port());
}

LiveServer::~LiveServer() { Stop(); }

int LiveServer::Stop() {
  if (thread_.joinable()) {
    state_->SetQuitFlag(true);
    SendShutdownWakeUp(state_->ExitUrl());
    thread_.join();
  }
  return result_;
}

const std::string kOwnPageOk = "HTTP/1.0 200 OK\r\nContent-type: text/html\r\n\r\n";
const std::string kFileOk = "HTTP/1.0 200 OK\r\nContent-type: text/html\r\nContent-Security-Policy: sandbox\r\n\r\n";

std::string LiveServer::Exchange(const std::string& request) const { return RawHttpExchange(port_, request); }

std::string ErrorAnswer(const std::string& version, int status, const std::string& phrase, const std::string& reason) {
  const std::string body = "<html>\n<head><title>Server error message</title></head>\n<body>\n<h1>Error " +
                           std::to_string(status) + ": " + phrase +
                           "</h1>\nThe request could not be completed because:\n " + reason + "\n</body>\n</html>\n";
  if (version.empty()) return body;
  std::string head = version + " " + std::to_string(status) + " " + phrase + "\r\nServer: JAWS/1.0prebeta\r\n";
  if (status == 401) head += "WWW-Authenticate: Basic realm=\"JAWS_authorization\"\r\n";
  return head + "Content-type: text/html\r\nContent-length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}
