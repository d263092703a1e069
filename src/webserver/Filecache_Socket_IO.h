#pragma once
#include "webserver/Socket_IO.h"

// Sends files from ACE's memory-mapped file cache; stores an upload in a temporary file
// that replaces its target only when complete.
class Filecache_Socket_IO : public Socket_IO {
 public:
  using Socket_IO::Socket_IO;
  void send_file(const char* path, const char* header, size_t headerLength, const char* trailer,
                 size_t trailerLength) override;
  void receive_file(const char* path, const char* initial, size_t initialLength, size_t total) override;
};
