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
  // The size comes from the file opened, not from its name: another thread may replace
  // a page under that name meanwhile. Opening does not wait (a pipe would block the
  // server on open); only regular files are served, anything else counts as a file
  // that cannot be opened.
  int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return handler().on_send_file_failed(kOpenFailed);
  auto fail = [&](int code) {
    ::close(fd);
    handler().on_send_file_failed(code);
  };
  struct stat status {};
  if (::fstat(fd, &status) != 0) return fail(kStatFailed);
  if (!S_ISREG(status.st_mode)) return fail(kOpenFailed);
  // Header, contents and trailer go out in one send: one segment for small pages
  // instead of a header segment waiting for its acknowledgement.
  const size_t size = static_cast<size_t>(status.st_size);
  std::vector<char> buffer(headerLength + size + trailerLength);
  // An empty file for a simple request leaves nothing at all to copy (and no buffer).
  if (headerLength > 0) std::memcpy(buffer.data(), header, headerLength);
  // A file that shrank while it was read is not sent with bytes that were never read.
  if (!ReadWhole(fd, buffer.data() + headerLength, size)) return fail(kTransferFailed);
  ::close(fd);
  if (trailerLength > 0) std::memcpy(buffer.data() + headerLength + size, trailer, trailerLength);
  if (send_bytes(buffer.data(), buffer.size()))
    handler().on_file_sent();
  else
    handler().on_send_file_failed(kTransferFailed);
}

void Plain_Socket_IO::receive_file(const char*, const char*, size_t, size_t) {
  handler().on_receive_file_failed(kUploadRefused);
}
