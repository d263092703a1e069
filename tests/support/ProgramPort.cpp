#include "support/ProgramPort.h"

#include <cstdio>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "support/ChildProcess.h"

std::map<std::string, std::string> ProgramPort::Environment() const {
  return {{"VARNOK_PORT", "0"}, {"VARNOK_PORT_FILE", File()}};
}

void ProgramPort::AddTo(std::map<std::string, std::string>& environment) const {
  for (const auto& [name, value] : Environment()) environment[name] = value;
}

int ProgramPort::Wait(std::chrono::milliseconds timeout) const {
  int port = 0;
  WaitUntil(
      [&] {
        const std::string text = ReadFileOrEmpty(File());
        if (text.empty() || text.back() != '\n') return false;
        port = std::atoi(text.c_str());
        return port > 0;
      },
      timeout);
  return port;
}

void ProgramPort::Forget() const { std::remove(File().c_str()); }

void ProgramPort::HandTo(uid_t account) const {
  if (chown(dir_.path().c_str(), account, account) != 0) throw std::runtime_error("cannot hand " + dir_.path() + " over");
}
