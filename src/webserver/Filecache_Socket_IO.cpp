#include "webserver/Filecache_Socket_IO.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/FileUtil.h"
#include "webserver/IO_Completion.h"

void Filecache_Socket_IO::receive_file(const char* path, const char* initial, size_t initialLength, size_t total) {
  // The upload goes to a temporary file beside its target and replaces the target only
  // once every byte has arrived: an aborted upload leaves the old file as it was.
  std::string temp = std::string(path) + ".upload.XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return handler().on_receive_file_failed(kCreateFailed);
  ::fchmod(fd, 0644);
  const size_t copied = std::min(initialLength, total);
  int failure = platform::WriteAll(fd, initial, copied) ? receive_into(fd, total - copied) : kWriteFailed;
  if (::close(fd) != 0 && failure == 0) failure = kWriteFailed;
  if (failure == 0 && ::rename(temp.c_str(), path) != 0) failure = kWriteFailed;
  if (failure != 0) {
    ::unlink(temp.c_str());
    return handler().on_receive_file_failed(failure);
  }
  handler().on_file_received();
}
