#include "platform/SharedMemoryToken.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace platform {

std::string SharedMemoryToken::SectionName(const std::string& url) {
  std::string name = "/varnok-";
  for (char c : url) name.push_back(c == '/' ? '_' : c);
  // NAME_MAX for a shm name is 255 bytes.
  if (name.size() > 250) name.resize(250);
  return name;
}

SharedMemoryToken::SharedMemoryToken(const std::string& url) : name_(SectionName(url)) {
  // Like a named section that lives while any holder has it open: the one that made
  // the name removes it, so a second holder (another copy serving the same site, or a
  // section left behind by a crash) never takes the token from under the first.
  int fd = shm_open(name_.c_str(), O_CREAT | O_EXCL | O_RDWR, 0600);
  owner_ = fd >= 0;
  if (fd < 0) fd = shm_open(name_.c_str(), O_RDWR, 0600);
  if (fd < 0) return;
  if (ftruncate(fd, kSize) == 0) {
    void* view = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view != MAP_FAILED) {
      view_ = view;
      std::memset(view_, 0, kSize);
      std::memcpy(view_, url.c_str(), std::min(url.size() + 1, kSize - 1));
    }
  }
  close(fd);
}

SharedMemoryToken::~SharedMemoryToken() {
  if (view_) {
    munmap(view_, kSize);
    if (owner_) shm_unlink(name_.c_str());
  }
}

std::string SharedMemoryToken::ReadHead(const std::string& url) {
  char buffer[260] = {};
  int fd = shm_open(SectionName(url).c_str(), O_RDONLY, 0);
  if (fd >= 0) {
    void* view = mmap(nullptr, kSize, PROT_READ, MAP_SHARED, fd, 0);
    if (view != MAP_FAILED) {
      std::memcpy(buffer, view, sizeof buffer);
      munmap(view, kSize);
    }
    close(fd);
  }
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

}  // namespace platform
