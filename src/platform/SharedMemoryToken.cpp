#include "platform/SharedMemoryToken.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

// Sections live in one directory that every account may write, so a section of the
// right name may have been made by another account; only our own counts.
bool OwnedByUs(int fd) {
  struct stat status {};
  return fstat(fd, &status) == 0 && status.st_uid == geteuid();
}

bool ProcessAlive(long pid) { return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

// The owner recorded in a mapped section; 0 when none is recorded.
long OwnerOf(const void* view) {
  char text[32] = {};
  std::memcpy(text, static_cast<const char*>(view) + SharedMemoryToken::kPidOffset, sizeof text - 1);
  return std::strtol(text, nullptr, 10);
}

// Calls `read` with a read-only view of the section named `name`; false when there is none.
template <class Read>
bool ReadSection(const std::string& name, Read read) {
  int fd = shm_open(name.c_str(), O_RDONLY | O_NOFOLLOW, 0);
  if (fd < 0) return false;
  if (!OwnedByUs(fd)) {
    close(fd);
    return false;
  }
  void* view = mmap(nullptr, SharedMemoryToken::kSize, PROT_READ, MAP_SHARED, fd, 0);
  close(fd);
  if (view == MAP_FAILED) return false;
  read(view);
  munmap(view, SharedMemoryToken::kSize);
  return true;
}

}  // namespace

std::string SharedMemoryToken::SectionName(const std::string& url) {
  // Keyed to our account: another account's program serving the same site is no
  // instance of ours, and its section never stands in for one.
  std::string name = "/varnok-" + std::to_string(geteuid()) + "-";
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
  if (fd < 0) fd = shm_open(name_.c_str(), O_RDWR | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  if (!OwnedByUs(fd)) {
    // Made by another account: not ours to write, and we publish no token this run.
    close(fd);
    owner_ = false;
    return;
  }
  if (ftruncate(fd, kSize) == 0) {
    void* view = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view != MAP_FAILED) view_ = view;
  }
  close(fd);
  if (!view_) return;
  if (!owner_ && ProcessAlive(OwnerOf(view_))) return;
  // Ours, or left behind by a process that is gone: take it over.
  owner_ = true;
  std::memset(view_, 0, kSize);
  std::memcpy(view_, url.c_str(), std::min(url.size() + 1, kPidOffset - 1));
  const std::string pid = std::to_string(getpid());
  std::memcpy(static_cast<char*>(view_) + kPidOffset, pid.c_str(), pid.size());
}

SharedMemoryToken::~SharedMemoryToken() {
  if (view_) {
    munmap(view_, kSize);
    if (owner_) shm_unlink(name_.c_str());
  }
}

std::string SharedMemoryToken::ReadHead(const std::string& url) {
  char buffer[260] = {};
  ReadSection(SectionName(url), [&](const void* view) { std::memcpy(buffer, view, sizeof buffer); });
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

bool SharedMemoryToken::IsHeld(const std::string& url) {
  bool held = false;
  ReadSection(SectionName(url), [&](const void* view) {
    const char* head = static_cast<const char*>(view);
    held = std::string(head, strnlen(head, 260)).find(url) != std::string::npos && ProcessAlive(OwnerOf(view));
  });
  return held;
}

}  // namespace platform
