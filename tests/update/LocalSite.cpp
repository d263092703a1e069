#include "update/LocalSite.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "support/RawHttp.h"

using namespace std::chrono_literals;

LocalSite::LocalSite() {
  std::filesystem::create_directories(root_ / "software");
  // Another test may take the free port first; then try the next one.
  for (int attempt = 0; attempt < 5 && !server_; ++attempt) {
    port_ = FindFreePort();
    server_ = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/python3", "-m", "http.server",
                                                                      "--bind", "127.0.0.1", "--directory",
                                                                      root_.path(), std::to_string(port_)});
    if (!WaitUntil([&] { return !server_->Running() || PortAcceptsConnections(port_); }, 20s) || !server_->Running())
      server_.reset();
  }
  if (!server_) throw std::runtime_error("python3 -m http.server did not start");
}

void LocalSite::Put(const std::string& path, const std::string& bytes) const {
  WriteFileOrDie(root_ / (path + ".new"), bytes);
  std::rename((root_ / (path + ".new")).c_str(), (root_ / path).c_str());
}

int LocalSite::Requests(const std::string& path) const {
  const std::string line = "\"GET /" + path + " ";
  const std::string log = server_->Output();
  int count = 0;
  for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
  return count;
}
