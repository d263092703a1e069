#include "webserver/Filecache_Socket_IO.h"

#include <ace/Filecache.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/FileUtil.h"
#include "webserver/IO_Completion.h"

namespace {

constexpr int kNotReadable = 1;
constexpr int kOpenFailed = 2;
constexpr int kCreateFailed = 5;
constexpr int kWriteFailed = 6;
constexpr int kTransferFailed = -1;

}  // namespace

void Filecache_Socket_IO::send_file(const char* path, const char* header, size_t headerLength, const char* trailer,
                                    size_t trailerLength) {
  // The cache maps whatever it opens; only regular files are served. A missing file
  // never reaches the cache, which would keep (and lose) an entry for every such name.
  struct stat status {};
  if (::stat(path, &status) != 0) return handler().on_send_file_failed(kNotReadable);
  if (!S_ISREG(status.st_mode)) return handler().on_send_file_failed(kOpenFailed);
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
  // The upload goes to a temporary file beside its target and replaces the target only
  // once every byte has arrived: an aborted upload leaves the old file as it was.
  std::string temp = std::string(path) + ".upload.XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return handler().on_receive_file_failed(kCreateFailed);
  ::fchmod(fd, 0644);
  const size_t copied = std::min(initialLength, total);
  int failure = 0;
  if (!platform::WriteAll(fd, initial, copied)) failure = kWriteFailed;
  std::vector<char> buffer(65536);
  for (size_t left = total - copied; failure == 0 && left > 0;) {
    const size_t part = std::min(left, buffer.size());
    if (!receive_bytes(buffer.data(), part)) failure = kTransferFailed;
    else if (!platform::WriteAll(fd, buffer.data(), part)) failure = kWriteFailed;
    left -= part;
  }
  if (::close(fd) != 0 && failure == 0) failure = kWriteFailed;
  if (failure == 0 && ::rename(temp.c_str(), path) != 0) failure = kWriteFailed;
  if (failure != 0) {
    ::unlink(temp.c_str());
    return handler().on_receive_file_failed(failure);
  }
  handler().on_file_received();
}
