#include "app/PendingCommand.h"

#include <mutex>

namespace {
std::mutex pendingLock;
std::string& Pending() {
  static std::string command;
  return command;
}
}  // namespace

std::string PendingCommand() {
  std::lock_guard<std::mutex> hold(pendingLock);
  return Pending();
}

void SetPendingCommand(const std::string& commandLine) {
  std::lock_guard<std::mutex> hold(pendingLock);
  Pending() = commandLine;
}
