#include "webserver/Open_Connections.h"

#include <sys/socket.h>

bool Open_Connections::add(ACE_HANDLE handle) {
  std::lock_guard<std::mutex> hold(lock_);
  if (cut_) {
    ::shutdown(handle, SHUT_RDWR);
    return false;
  }
  handles_.insert(handle);
  return true;
}

void Open_Connections::remove(ACE_HANDLE handle) {
  std::lock_guard<std::mutex> hold(lock_);
  handles_.erase(handle);
}

void Open_Connections::cut_all() {
  std::lock_guard<std::mutex> hold(lock_);
  cut_ = true;
  for (ACE_HANDLE handle : handles_) ::shutdown(handle, SHUT_RDWR);
}

void Open_Connections::reopen() {
  std::lock_guard<std::mutex> hold(lock_);
  cut_ = false;
}
