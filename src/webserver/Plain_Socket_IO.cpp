#include "webserver/Plain_Socket_IO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "webserver/IO_Completion.h"

namespace {

// Result codes of a failed transfer, as the handler maps them to statuses.
constexpr int kNotReadable = 1;
constexpr int kOpenFailed = 2;
constexpr int kStatFailed = 4;
constexpr int kUploadRefused = 5;
constexpr int kTransferFailed = -1;

bool ReadWhole(int fd, char* target, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, target + done, size - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

void Plain_Socket_IO::send_file(const char* path, const char* header, size_t headerLength, const char* trailer,
                                size_t trailerLength) {
  if (::access(path, R_OK) != 0) return handler().on_send_file_failed(kNotReadable);
  struct stat status {};
  if (::stat(path, &status) != 0) return handler().on_send_file_failed(kStatFailed);
  // Only regular files are served: a directory, a pipe or a device counts as a file
  // that cannot be opened (a pipe would otherwise block the server on open).
  if (!S_ISREG(status.st_mode)) return handler().on_send_file_failed(kOpenFailed);
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return handler().on_send_file_failed(kOpenFailed);
  // Header, contents and trailer go out in one send: one segment for small pages
  // instead of a header segment waiting for its acknowledgement.
  const size_t size = static_cast<size_t>(status.st_size);
  std::vector<char> buffer(headerLength + size + trailerLength);
  // An empty file for a simple request leaves nothing at all to copy (and no buffer).
  if (headerLength > 0) std::memcpy(buffer.data(), header, headerLength);
  const bool read = ReadWhole(fd, buffer.data() + headerLength, size);
  ::close(fd);
  // A file that shrank while it was read is not sent with bytes that were never read.
  if (!read) return handler().on_send_file_failed(kTransferFailed);
  if (trailerLength > 0) std::memcpy(buffer.data() + headerLength + size, trailer, trailerLength);
  if (send_bytes(buffer.data(), buffer.size()))
    handler().on_file_sent();
  else
    handler().on_send_file_failed(kTransferFailed);
}

void Plain_Socket_IO::receive_file(const char*, const char*, size_t, size_t) {
  handler().on_receive_file_failed(kUploadRefused);
}
