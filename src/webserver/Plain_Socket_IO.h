#pragma once
#include "webserver/Socket_IO.h"

// Sends files; refuses every upload.
class Plain_Socket_IO : public Socket_IO {
 public:
  using Socket_IO::Socket_IO;
  void receive_file(const char* path, const char* initial, size_t initialLength, size_t total) override;
};
