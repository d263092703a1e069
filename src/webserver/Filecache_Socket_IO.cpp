#include "webserver/Filecache_Socket_IO.h"

#include <ace/Filecache.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "webserver/IO_Completion.h"

namespace {

constexpr int kOpenFailed = 2;
constexpr int kTransferFailed = -1;

}  // namespace

void Filecache_Socket_IO::send_file(const char* path, const char* header, size_t headerLength, const char* trailer,
                                    size_t trailerLength) {
  // The cache maps whatever it opens; only regular files are served.
  struct stat status {};
  if (::stat(path, &status) == 0 && !S_ISREG(status.st_mode)) return handler().on_send_file_failed(kOpenFailed);
  ACE_Filecache_Handle file(path, ACE_MAPIT);
  if (file.error() != ACE_Filecache_Handle::ACE_SUCCESS) return handler().on_send_file_failed(file.error());
  const size_t size = static_cast<size_t>(file.size());
  bool sent = send_bytes(header, headerLength) && (size == 0 || send_bytes(file.address(), size)) &&
              send_bytes(trailer, trailerLength);
  if (sent)
    handler().on_file_sent();
  else
    handler().on_send_file_failed(kTransferFailed);
}

void Filecache_Socket_IO::receive_file(const char* path, const char* initial, size_t initialLength, size_t total) {
  ACE_Filecache_Handle file(path, static_cast<int>(total), ACE_MAPIT);
  if (file.error() != ACE_Filecache_Handle::ACE_SUCCESS) return handler().on_receive_file_failed(file.error());
  char* target = static_cast<char*>(file.address());
  const size_t copied = std::min(initialLength, total);
  if (copied > 0) std::memcpy(target, initial, copied);
  if (receive_bytes(target + copied, total - copied))
    handler().on_file_received();
  else
    handler().on_receive_file_failed(kTransferFailed);
}
