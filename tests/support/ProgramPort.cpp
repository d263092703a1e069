#include "support/ProgramPort.h"

#include <cstdio>
#include <cstdlib>

#include "support/ChildProcess.h"

ProgramPort::ProgramPort() : own_(std::make_unique<TempDir>()), file_(*own_ / "port") {}

ProgramPort::ProgramPort(const std::string& directory)
    : file_(directory + (directory.back() == '/' ? "" : "/") + "port") {}

std::map<std::string, std::string> ProgramPort::Environment() const {
  return {{"VARNOK_PORT", "0"}, {"VARNOK_PORT_FILE", file_}};
}

void ProgramPort::AddTo(std::map<std::string, std::string>& environment) const {
  for (const auto& [name, value] : Environment()) environment[name] = value;
}

int ProgramPort::Wait(std::chrono::milliseconds timeout) const {
  int port = 0;
  WaitUntil(
      [&] {
        const std::string text = ReadFileOrEmpty(file_);
        if (text.empty() || text.back() != '\n') return false;
        port = std::atoi(text.c_str());
        return port > 0;
      },
      timeout);
  return port;
}

void ProgramPort::Forget() const { std::remove(file_.c_str()); }
