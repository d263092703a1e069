#pragma once
#include "webserver/Socket_IO.h"

// The file-cache mode's I/O: sends files like every connection, and stores an upload in
// a temporary file that replaces its target only when complete.
class Filecache_Socket_IO : public Socket_IO {
 public:
  using Socket_IO::Socket_IO;
  void receive_file(const char* path, const char* initial, size_t initialLength, size_t total) override;
};
