#include "update/LocalSite.h"

#include <cstdio>
#include <filesystem>
#include <regex>
#include <stdexcept>

using namespace std::chrono_literals;

LocalSite::LocalSite() {
  std::filesystem::create_directories(root_ / "software");
  // On a port the system picks, which the server names in its first line.
  server_ = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/python3", "-u", "-m", "http.server",
                                                                    "--bind", "127.0.0.1", "--directory",
                                                                    root_.path(), "0"});
  const std::regex serving("Serving HTTP on 127\\.0\\.0\\.1 port ([0-9]+)");
  WaitUntil(
      [&] {
        const std::string output = server_->Output();
        std::smatch found;
        if (std::regex_search(output, found, serving)) port_ = std::stoi(found[1]);
        return port_ > 0 || !server_->Running();
      },
      60s);
  if (port_ == 0) throw std::runtime_error("python3 -m http.server did not start: " + server_->Output());
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
